#include "audio/MidiSequencer.h"

#include <cmath>
#include <new>

#include "audio/SlotTable.h"
#include "devices/GameNumbers.h"

namespace {

// Steps in a row that let no time pass (jumps, the end) before the sequencer
// gives up: a piece whose loop would spin is stopped.
constexpr int32_t kMaxIdleSteps = 1 << 20;
// How far below a whole tick a computed time may fall by rounding and still
// count as that tick.
constexpr double kTickSlack = 1e-4;

}  // namespace

CMidiSequencer::CMidiSequencer(double rate, CMidiSink* output)
    : ticksPerSecond(rate), sink(output) {}

void CMidiSequencer::SetSlotCount(int32_t count) {
    if (count < 0) {
        return;
    }
    std::vector<Slot> table = NewSlotTable<Slot>(count);
    Stop();
    slots.swap(table);
}

bool CMidiSequencer::Clear(int32_t slot) {
    if (!IsSlot(slot)) {
        return false;
    }
    if (currentSlot == slot) {
        Stop();
    }
    slots[slot] = Slot();
    return true;
}

bool CMidiSequencer::Put(int32_t slot, std::unique_ptr<MidiPiece> piece) {
    if (piece == nullptr || !Clear(slot)) {
        return false;
    }
    slots[slot].loopState = ChannelStateBefore(*piece, 0);
    slots[slot].piece = std::move(piece);
    return true;
}

void CMidiSequencer::SetLoop(int32_t slot, int32_t repeats, int32_t loopStart) {
    if (!HasPiece(slot)) {
        return;
    }
    Slot& entry = slots[slot];
    const int32_t length = entry.piece->length;
    const int64_t loopEnd = int64_t(length) - kMusicLoopEndMargin;
    // Loop points must lie inside the piece, the start before the end.
    if (loopStart >= 0 && loopStart < loopEnd && loopEnd <= length) {
        entry.loopStart = loopStart;
        entry.loopEnd = static_cast<int32_t>(loopEnd);
        entry.loopState = ChannelStateBefore(*entry.piece, loopStart);
    }
    entry.repeats = static_cast<uint32_t>(repeats);
}

bool CMidiSequencer::GetLoop(int32_t slot, int32_t* loopStart, int32_t* loopEnd,
                             uint32_t* repeats) const {
    if (!HasPiece(slot)) {
        return false;
    }
    *loopStart = slots[slot].loopStart;
    *loopEnd = slots[slot].loopEnd;
    *repeats = slots[slot].repeats;
    return true;
}

bool CMidiSequencer::Start(int32_t slot) {
    if (!HasPiece(slot)) {
        return false;
    }
    Stop();
    const Slot& entry = slots[slot];
    for (const MidiEvent& event : ChannelStateBefore(*entry.piece, 0)) {
        sink->SendEvent(event);
    }
    current = &entry;
    currentSlot = slot;
    anchorTime = 0;
    anchorTick = 0;
    tempo = kDefaultTempo;
    nextEvent = 0;
    repeatsLeft = entry.repeats;
    pastLoopEnd = false;
    elapsed = 0;
    lastJump = -1;
    lastLoopEnd = -1;
    return true;
}

void CMidiSequencer::Stop() {
    if (current != nullptr) {
        sink->ReleaseNotes(true);
    }
    current = nullptr;
    currentSlot = -1;
    anchorTime = 0;
    anchorTick = 0;
    nextEvent = 0;
    repeatsLeft = 0;
}

void CMidiSequencer::StopSlot(int32_t slot) {
    if (!HasPiece(slot) || slot == currentSlot) {
        Stop();
    }
}

int32_t CMidiSequencer::Position() const {
    if (current == nullptr) {
        return -1;
    }
    const double units = (double(elapsed) - anchorTick) * kMusicTimePerQuarter * 1e6 /
                         (double(tempo) * ticksPerSecond);
    return anchorTime + static_cast<int32_t>(units);
}

double CMidiSequencer::TickAt(int32_t time) const {
    return anchorTick + double(time - anchorTime) * double(tempo) * ticksPerSecond /
                            (double(kMusicTimePerQuarter) * 1e6);
}

int64_t CMidiSequencer::DueTick(int32_t time) const {
    return static_cast<int64_t>(std::ceil(TickAt(time) - kTickSlack));
}

int32_t CMidiSequencer::LoopEnd() const {
    // Loop points of 0 and 0 loop the whole piece.
    const int32_t loopStart = current->loopStart;
    int32_t loopEnd = current->loopEnd;
    if (loopStart == 0 && loopEnd == 0) {
        loopEnd = current->piece->length;
    }
    return !pastLoopEnd && loopStart < loopEnd ? loopEnd : -1;
}

void CMidiSequencer::JumpToLoopStart(int32_t loopEnd) {
    sink->ReleaseNotes(false);
    const MidiPiece& piece = *current->piece;
    for (const MidiEvent& event : current->loopState) {
        sink->SendEvent(event);
    }
    // The loop start takes the loop end's exact time, fraction of a tick and
    // all, so that no pass is longer than the music says.
    anchorTick = TickAt(loopEnd);
    anchorTime = current->loopStart;
    tempo = TempoBefore(piece, current->loopStart);
    auto first =
        std::lower_bound(piece.events.begin(), piece.events.end(), current->loopStart,
                         [](const MidiEvent& event, int32_t time) { return event.time < time; });
    nextEvent = static_cast<size_t>(first - piece.events.begin());
    --repeatsLeft;
    lastJump = elapsed;
}

bool CMidiSequencer::SendDue() {
    for (int32_t steps = 1; current != nullptr; ++steps) {
        if (steps > kMaxIdleSteps) {
            Stop();
            break;
        }
        const MidiPiece& piece = *current->piece;
        const int32_t loopEnd = LoopEnd();
        if (loopEnd >= 0 && elapsed >= DueTick(loopEnd)) {
            lastLoopEnd = elapsed;
            if (repeatsLeft > 0) {
                JumpToLoopStart(loopEnd);
                continue;
            }
            // No repeats left: the piece goes on to its end.
            pastLoopEnd = true;
        }
        if (elapsed >= DueTick(piece.length)) {
            // The end: what is left at the very end still plays, then the
            // piece is over.
            for (; nextEvent < piece.events.size(); ++nextEvent) {
                sink->SendEvent(piece.events[nextEvent]);
            }
            Stop();
            continue;
        }
        while (nextEvent < piece.events.size() &&
               elapsed >= DueTick(piece.events[nextEvent].time)) {
            const MidiEvent& event = piece.events[nextEvent++];
            if (event.status == kMidiTempoStatus) {
                anchorTick = TickAt(event.time);
                anchorTime = event.time;
                tempo = event.tempo;
            } else {
                sink->SendEvent(event);
            }
        }
        return true;
    }
    return false;
}

int64_t CMidiSequencer::TicksToNext() const {
    if (current == nullptr) {
        return -1;
    }
    const MidiPiece& piece = *current->piece;
    int32_t target = piece.length;
    if (nextEvent < piece.events.size()) {
        target = std::min(target, piece.events[nextEvent].time);
    }
    const int32_t loopEnd = LoopEnd();
    if (loopEnd >= 0) {
        target = std::min(target, loopEnd);
    }
    return std::max<int64_t>(DueTick(target) - elapsed, 1);
}
