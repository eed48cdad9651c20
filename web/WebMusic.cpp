#include "web/WebMusic.h"

#include <cstdio>

#include "audio/MidiFile.h"
#include "web/MusicChecksum.h"
#include "web/WebBindings.h"

namespace {

constexpr long kMaxFileBytes = 16 * 1024 * 1024;

bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size > 0 && size <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes->resize(static_cast<size_t>(size));
        ok = std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
    }
    std::fclose(file);
    return ok;
}

}  // namespace

bool CWebMusic::Init(HWND, void*) {
    engine = web_audio_available() != 0;
    playingFlag = false;
    return true;
}

void CWebMusic::SetSlotCount(int32_t count) {
    if (count < 0) {
        return;
    }
    StopPiece();
    slots.assign(count <= kMaxSlots ? static_cast<size_t>(count) : 0, Slot());
}

bool CWebMusic::Load(const char* path, int32_t slot) {
    if (!IsSlot(slot)) {
        return false;
    }
    if (currentSlot == slot) {
        StopPiece();
    }
    slots[slot] = Slot();
    if (!engine) {
        return true;
    }
    std::vector<uint8_t> bytes;
    MidiPiece piece;
    if (!ReadWholeFile(path, &bytes) || !ParseMidiFile(bytes.data(), bytes.size(), &piece)) {
        return false;
    }
    slots[slot].piece = web_music_find(static_cast<uint32_t>(bytes.size()),
                                       MusicChecksum(bytes.data(), bytes.size()));
    slots[slot].length = piece.length;
    return true;
}

void CWebMusic::SetLoop(int32_t slot, int32_t repeats, int32_t loopStart) {
    if (!IsSlot(slot) || slots[slot].piece < 0) {
        return;
    }
    Slot& entry = slots[slot];
    const int64_t loopEnd = int64_t(entry.length) - kLoopEndMargin;
    // Loop points must lie inside the piece, the start before the end.
    if (loopStart >= 0 && loopStart < loopEnd && loopEnd <= entry.length) {
        entry.loopStart = loopStart;
        entry.loopEnd = static_cast<int32_t>(loopEnd);
    }
    entry.repeats = static_cast<uint32_t>(repeats);
}

void CWebMusic::Play(int32_t slot) {
    if (playingFlag || !IsSlot(slot) || slots[slot].piece < 0) {
        return;
    }
    const Slot& entry = slots[slot];
    // The rendering repeats only the loop it was made with.
    const bool renderedLoop = entry.loopStart < entry.loopEnd &&
                              entry.loopStart == web_music_loop_start(entry.piece) &&
                              entry.loopEnd == web_music_loop_end(entry.piece);
    web_music_play(entry.piece, renderedLoop ? entry.repeats : 0);
    currentSlot = slot;
    playingFlag = true;
}

void CWebMusic::Noop(int32_t) {}

HRESULT CWebMusic::Stop(int32_t slot) {
    HRESULT result = kStatusFail;
    if (engine) {
        // An empty slot names no piece, which stops all music.
        if (!IsSlot(slot) || slots[slot].piece < 0 || slot == currentSlot) {
            StopPiece();
        }
        result = 0;
    }
    playingFlag = false;
    return result;
}

void CWebMusic::StopPiece() {
    if (currentSlot >= 0) {
        web_music_stop();
    }
    currentSlot = -1;
}
