// The effect player on SDL's audio output.
//
// Init opens the default output device at 44.1 kHz, 16-bit stereo. Each slot
// holds one whole effect in its file's own format; the device layer converts
// it for mixing as it plays. The mixer behind the device is the shared device
// object that GetDirectSound hands to the music player, so music and effects
// come out of one output.
#pragma once

#include <string>

#include "audio/FailureNote.h"
#include "devices/Sound.h"

class CAudioMixer;

class CSDLSound : public CSound, public CFailureNote {
public:
    CSDLSound();
    ~CSDLSound() override;
    CSDLSound(const CSDLSound&) = delete;
    CSDLSound& operator=(const CSDLSound&) = delete;

    // Starts SDL's audio subsystem (the player keeps its own reference to it)
    // and opens the output. The window is not needed. SDL is told to leave
    // the signals to the program.
    bool Init(HWND window) override;
    // False if the file cannot be read or its format cannot be played. Once
    // the slot has its buffer the result is true; samples the file does not
    // deliver play as silence.
    bool LoadWave(const char* path, int32_t slot) override;
    // Rewinds the slot and plays it once (cutting it short if it sounds).
    HRESULT Play(int32_t slot) override;
    HRESULT Stop(int32_t slot) override;
    // 0 is full volume, -10000 silence; anything else is refused.
    HRESULT SetVolume(int32_t level) override;
    void SetSlotCount(int32_t count) override;
    // The CAudioMixer once Init has succeeded, else null.
    void* GetDirectSound() override;

    // Whether the slot's effect is sounding now.
    bool IsPlaying(int32_t slot);
    // The folder relative paths of LoadWave are taken in (see DataFolder.h).
    void SetDataFolder(std::string folder) { dataFolder = std::move(folder); }

private:
    CAudioMixer* mixer;
    std::string dataFolder;
};
