// The effect player on Web Audio. Each slot holds one whole effect, read
// by the game's WAV reader and handed to the browser as float samples in
// the file's own format and rate; the browser converts it for its output as
// it plays. Without Web Audio the game plays on in silence.
#pragma once

#include <cstdint>

#include "devices/Sound.h"

class CWebSound : public CSound {
public:
    // The window is not needed. Always true: without Web Audio the effects
    // are silent.
    bool Init(HWND window) override;
    // False if the file cannot be read or its format cannot be played (or,
    // with Web Audio, the browser refuses it). Samples the file does not
    // deliver play as silence.
    bool LoadWave(const char* path, int32_t slot) override;
    // Rewinds the slot and plays it once, cutting it short if it sounds.
    HRESULT Play(int32_t slot) override;
    HRESULT Stop(int32_t slot) override;
    // 0 is full volume, -10000 silence; anything else is refused.
    HRESULT SetVolume(int32_t level) override;
    void SetSlotCount(int32_t count) override;
    // This player once Init has run, else null: the music shares its output.
    void* GetDirectSound() override;

private:
    bool IsSlot(int32_t slot) const { return slot >= 0 && slot < slotCount; }

    bool ready = false;
    bool audio = false;
    int32_t slotCount = 0;
};
