// What every music player keeps the same way.
//
// CMusicPlayer holds the one playing flag: Play starts a piece only while it
// is clear and sets it when a piece starts; Stop clears it whatever the slot.
// CSequencedMusic adds the slots on the players' sequencer (MidiSequencer.h):
// Load reads a standard MIDI file into a slot, SetLoop checks and sets its
// loop, Play and Stop start and stop its sequencing. A player on it only says
// whether its engine runs and where the sequenced messages go.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "audio/FailureNote.h"
#include "audio/MidiFile.h"
#include "audio/MidiSequencer.h"
#include "devices/Music.h"

class CMusicPlayer : public CMusic, public CFailureNote {
public:
    // Starts the slot's piece unless the playing flag is set.
    void Play(int32_t slot) final;
    void Noop(int32_t value) final;
    // Stops the slot's piece and clears the playing flag whatever the slot.
    HRESULT Stop(int32_t slot) final;

    bool IsPlayingFlagSet() const { return playingFlag; }

protected:
    // Starts the slot's piece as the one primary piece; true when the
    // playing flag is to be set.
    virtual bool StartPiece(int32_t slot) = 0;
    // Stops the slot's piece; the engine's status.
    virtual HRESULT StopPiece(int32_t slot) = 0;
    // A successful Init clears the flag.
    void ClearPlayingFlag() { playingFlag = false; }

private:
    bool playingFlag = false;
};

class CSequencedMusic : public CMusicPlayer, protected CMidiSink {
public:
    // Releases the slot's piece; then, with a running engine, reads the file
    // into it (false if it cannot be read). Without one the slot stays empty
    // and the result is true.
    bool Load(const char* path, int32_t slot) override;
    void SetSlotCount(int32_t count) override;
    // Loops from loopStart to 250 units before the end, `repeats` times (as
    // an unsigned count). Loop points the piece cannot have are refused and
    // the old ones kept; the repeat count is set all the same.
    void SetLoop(int32_t slot, int32_t repeats, int32_t loopStart) override;

    // The slot whose piece is being sequenced, -1 if none.
    int32_t SequencedSlot();
    // Where the sequencer is in the playing piece, in music time; -1 when no
    // piece is being sequenced.
    int32_t Position();
    // The tick of the player's clock, counted from the start of the playing
    // piece, at which the sequencer last jumped back to the loop start; -1
    // before the first jump or when nothing is sequenced.
    int64_t LastJump();
    // Likewise the tick at which it last reached the loop end, jumping back
    // or, with no repeats left, going on.
    int64_t LastLoopEnd();
    // The loop points the slot's piece has (both 0: the whole piece).
    bool GetLoop(int32_t slot, int32_t* loopStart, int32_t* loopEnd, uint32_t* repeats);

protected:
    // A player whose sequencer's clock runs at `ticksPerSecond`.
    explicit CSequencedMusic(double ticksPerSecond);

    // Whether the engine runs: without it, pieces are not read.
    virtual bool EngineRunning() const = 0;
    // The file that Load reads for `path`.
    virtual std::string FileFor(const char* path) const { return path; }
    // Reads the piece from `file` for the slot (outside the lock). False
    // when it cannot be read; with `keepEmpty` set as well, the slot stays
    // empty and Load still succeeds.
    virtual bool ReadPiece(const std::string& file, int32_t slot, MidiPiece* piece,
                           bool* keepEmpty);
    // The slot's piece has started, at tick 0 (under the lock).
    virtual void OnPieceStarted(int32_t slot) { (void)slot; }

    bool StartPiece(int32_t slot) override;
    HRESULT StopPiece(int32_t slot) override;

    // Everything but the playing flag is kept under this lock, which the
    // player's own audio or timing thread takes too.
    std::recursive_mutex lock;
    // The call's result, under the lock.
    template <class TCall>
    auto Locked(TCall&& call) {
        std::lock_guard<std::recursive_mutex> guard(lock);
        return call();
    }
    CMidiSequencer sequencer;
};
