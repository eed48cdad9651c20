// The music players' sequencer: pieces in numbered slots, each with its loop,
// and the one piece being played, sequenced in music time (768 units per
// quarter note) on the clock of whatever plays it.
//
// The clock counts whole ticks from the start of the piece at a fixed rate:
// an audio output's frames, or a timer's microseconds. Every message falls
// due at the first tick at or after its time, which is counted from the start
// through every tempo change and every loop jump without rounding, so that no
// drift builds up however long the music plays.
//
// Platform-free; not locked: the player that owns it calls it under its own
// lock.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/MidiFile.h"

// Where the sequenced piece goes: a synthesiser or a MIDI output.
class CMidiSink {
public:
    // A channel message: of the piece, or of the channel state sent at its
    // start and after every loop jump.
    virtual void SendEvent(const MidiEvent& event) = 0;
    // Releases every sounding note, sustained ones too: at a loop jump, and
    // with `pieceOver` when the piece stops, ends or is replaced.
    virtual void ReleaseNotes(bool pieceOver) = 0;

protected:
    ~CMidiSink() = default;
};

class CMidiSequencer {
public:
    // A sequencer whose clock runs at `ticksPerSecond` and whose messages go
    // to `sink`.
    CMidiSequencer(double ticksPerSecond, CMidiSink* sink);
    CMidiSequencer(const CMidiSequencer&) = delete;
    CMidiSequencer& operator=(const CMidiSequencer&) = delete;

    // The slots.
    //
    // Replaces the table by `count` empty slots (none when a table that large
    // cannot be made) and stops the sequencing; a negative count is ignored.
    void SetSlotCount(int32_t count);
    int32_t SlotCount() const { return static_cast<int32_t>(slots.size()); }
    bool IsSlot(int32_t slot) const { return slot >= 0 && slot < SlotCount(); }
    bool HasPiece(int32_t slot) const { return IsSlot(slot) && slots[slot].piece != nullptr; }
    // Empties the slot, stopping its piece if it is being sequenced; false
    // when there is no such slot.
    bool Clear(int32_t slot);
    // Puts the piece into the slot, with no loop; false when there is no such
    // slot or no piece.
    bool Put(int32_t slot, std::unique_ptr<MidiPiece> piece);
    // Loops the slot's piece from loopStart to 250 units before its end,
    // `repeats` times (as an unsigned count). Loop points the piece cannot
    // have are refused and the old ones kept; the repeat count is set all the
    // same. An empty slot is left alone.
    void SetLoop(int32_t slot, int32_t repeats, int32_t loopStart);
    // The loop points the slot's piece has (both 0: the whole piece).
    bool GetLoop(int32_t slot, int32_t* loopStart, int32_t* loopEnd, uint32_t* repeats) const;

    // The sequencing.
    //
    // Starts the slot's piece at its beginning, with its repeats, in place of
    // whatever was sequenced; the clock starts again at tick 0. False, and
    // nothing changes, when the slot holds no piece.
    bool Start(int32_t slot);
    // Ends the sequencing at once.
    void Stop();
    // Stops the slot's piece if it is the one being sequenced; a slot that
    // holds no piece names none, which stops all music.
    void StopSlot(int32_t slot);
    // The slot whose piece is being sequenced, -1 if none.
    int32_t SequencedSlot() const { return currentSlot; }
    // Where the sequencer is in the piece, in music time; -1 when nothing is
    // sequenced.
    int32_t Position() const;
    // Ticks since the start of the piece.
    int64_t Elapsed() const { return elapsed; }
    // The tick at which the sequencer last jumped back to the loop start; -1
    // before the first jump or when nothing is sequenced.
    int64_t LastJump() const { return current != nullptr ? lastJump : -1; }
    // The tick at which the sequencer last reached the end of the loop
    // region, jumping back or (with no repeats left) going on; -1 before or
    // when nothing is sequenced.
    int64_t LastLoopEnd() const { return current != nullptr ? lastLoopEnd : -1; }

    // Sends what is due at the present tick: the loop jump, the end of the
    // piece, the events. False when nothing is sequenced (any more).
    bool SendDue();
    // Ticks from the present one to the next that has something due (at
    // least 1); -1 when nothing is sequenced.
    int64_t TicksToNext() const;
    // Moves the clock on by `ticks`, sending every message as it falls due.
    // `pass(n)` is called for each stretch of n ticks between two due ticks
    // (to render the sound in between, say); what is due at the tick reached
    // at the end is sent by the next call.
    template <typename Pass>
    void Run(int64_t ticks, Pass&& pass);

private:
    struct Slot {
        std::unique_ptr<MidiPiece> piece;
        int32_t loopStart = 0;
        int32_t loopEnd = 0;
        uint32_t repeats = 0;
        // The channel state at the loop start, sent at every jump back.
        std::vector<MidiEvent> loopState;
    };

    // The end of the loop region, or -1 when the piece has none or the
    // present pass is past it.
    int32_t LoopEnd() const;
    // Jumps back from `loopEnd`, the end of the loop region, to its start.
    void JumpToLoopStart(int32_t loopEnd);
    // The tick, counted from the piece's start, at which music time `time`
    // falls at the tempo in force (a fraction of a tick included); and the
    // first whole tick at or after it.
    double TickAt(int32_t time) const;
    int64_t DueTick(int32_t time) const;

    const double ticksPerSecond;
    CMidiSink* const sink;
    std::vector<Slot> slots;

    // Music time `anchorTime` falls on tick `anchorTick` at `tempo`; the
    // anchor moves at every tempo change and every jump.
    const Slot* current = nullptr;
    int32_t currentSlot = -1;
    int32_t anchorTime = 0;
    double anchorTick = 0;
    uint32_t tempo = kDefaultTempo;
    size_t nextEvent = 0;
    uint32_t repeatsLeft = 0;
    // The present pass has gone past the loop end, with no repeats left.
    bool pastLoopEnd = false;
    int64_t elapsed = 0;
    int64_t lastJump = -1;
    int64_t lastLoopEnd = -1;
};

template <typename Pass>
void CMidiSequencer::Run(int64_t ticks, Pass&& pass) {
    while (ticks > 0) {
        if (!SendDue()) {
            // Nothing is sequenced: the rest passes in one.
            pass(ticks);
            return;
        }
        const int64_t take = std::min(TicksToNext(), ticks);
        pass(take);
        elapsed += take;
        ticks -= take;
    }
}
