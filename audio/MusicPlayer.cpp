#include "audio/MusicPlayer.h"

#include <new>

void CMusicPlayer::Play(int32_t slot) {
    if (!playingFlag && StartPiece(slot)) {
        playingFlag = true;
    }
}

void CMusicPlayer::Noop(int32_t) {}

HRESULT CMusicPlayer::Stop(int32_t slot) {
    const HRESULT result = StopPiece(slot);
    playingFlag = false;
    return result;
}

CSequencedMusic::CSequencedMusic(double ticksPerSecond) : sequencer(ticksPerSecond, this) {}

bool CSequencedMusic::Load(const char* path, int32_t slot) {
    std::unique_lock<std::recursive_mutex> guard(lock);
    if (!sequencer.Clear(slot)) {
        return false;
    }
    if (!EngineRunning()) {
        return true;
    }
    guard.unlock();
    // The file is read outside the lock; the music goes on meanwhile.
    const std::string file = FileFor(path);
    std::unique_ptr<MidiPiece> piece(new (std::nothrow) MidiPiece);
    if (piece == nullptr) {
        NoteUnloadable(file);
        return false;
    }
    bool keepEmpty = false;
    if (!ReadPiece(file, slot, piece.get(), &keepEmpty)) {
        return keepEmpty;
    }
    guard.lock();
    return sequencer.Put(slot, std::move(piece));
}

bool CSequencedMusic::ReadPiece(const std::string& file, int32_t, MidiPiece* piece, bool*) {
    if (!LoadMidiFile(file.c_str(), piece)) {
        NoteUnloadable(file);
        return false;
    }
    return true;
}

void CSequencedMusic::SetSlotCount(int32_t count) {
    Locked([&] { sequencer.SetSlotCount(count); });
}

void CSequencedMusic::SetLoop(int32_t slot, int32_t repeats, int32_t loopStart) {
    Locked([&] { sequencer.SetLoop(slot, repeats, loopStart); });
}

bool CSequencedMusic::StartPiece(int32_t slot) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    // The new piece replaces whatever still sounds.
    if (!EngineRunning() || !sequencer.Start(slot)) {
        return false;
    }
    OnPieceStarted(slot);
    return true;
}

HRESULT CSequencedMusic::StopPiece(int32_t slot) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (!EngineRunning()) {
        return kStatusFail;
    }
    sequencer.StopSlot(slot);
    return 0;
}

int32_t CSequencedMusic::SequencedSlot() {
    return Locked([this] { return sequencer.SequencedSlot(); });
}

int32_t CSequencedMusic::Position() {
    return Locked([this] { return sequencer.Position(); });
}

int64_t CSequencedMusic::LastJump() {
    return Locked([this] { return sequencer.LastJump(); });
}

int64_t CSequencedMusic::LastLoopEnd() {
    return Locked([this] { return sequencer.LastLoopEnd(); });
}

bool CSequencedMusic::GetLoop(int32_t slot, int32_t* loopStart, int32_t* loopEnd,
                              uint32_t* repeats) {
    return Locked([&] { return sequencer.GetLoop(slot, loopStart, loopEnd, repeats); });
}
