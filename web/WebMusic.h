// The music player of the browser form. The pieces are not synthesised in
// the browser: the build renders each MIDI file with the desktop's own
// player (web/MusicRender.cpp) and the page decodes the renderings before
// the game starts. Load reads the MIDI file as the desktop does and takes
// the rendering made from exactly that file; Play starts it on Web Audio,
// its loop repeated as SetLoop asked.
//
// The renderings hold the loop the game sets (from 500 units to 250 units
// before the end); a piece asked to loop elsewhere plays once through.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/MidiSequencer.h"
#include "devices/Music.h"

class CWebMusic : public CMusic {
public:
    // The loop ends this many music-time units before the piece's end, as in
    // every music player.
    static constexpr int32_t kLoopEndMargin = kMidiLoopEndMargin;
    // The most slots a table may have; a larger count makes an empty table.
    static constexpr int32_t kMaxSlots = 4096;

    // Releases the slot's piece; then, with the music engine running, reads
    // the file (false if it cannot be read). Without an engine, or without a
    // rendering of this file, the slot stays empty and the result is true.
    bool Load(const char* path, int32_t slot) override;
    void SetSlotCount(int32_t count) override;
    // Starts the slot's piece unless the playing flag is set.
    void Play(int32_t slot) override;
    void Noop(int32_t value) override;
    // Stops the slot's piece and clears the playing flag whatever the slot.
    HRESULT Stop(int32_t slot) override;
    // Loops from loopStart to 250 units before the end, `repeats` times (as
    // an unsigned count). Loop points the piece cannot have are refused and
    // the old ones kept; the repeat count is set all the same.
    void SetLoop(int32_t slot, int32_t repeats, int32_t loopStart) override;
    // The engine runs when the browser has Web Audio; `soundDevice` (the
    // effect player) is not needed beyond that. Always true.
    bool Init(HWND window, void* soundDevice) override;

    bool IsPlayingFlagSet() const { return playingFlag; }

private:
    struct Slot {
        int32_t piece = -1;  // the rendering, -1 for an empty slot
        int32_t length = 0;
        int32_t loopStart = 0;
        int32_t loopEnd = 0;
        uint32_t repeats = 0;
    };

    bool IsSlot(int32_t slot) const { return slot >= 0 && slot < int32_t(slots.size()); }
    void StopPiece();

    bool engine = false;
    bool playingFlag = false;
    int32_t currentSlot = -1;
    std::vector<Slot> slots;
};
