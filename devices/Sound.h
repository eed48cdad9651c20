// The sound-effect player: short effects in numbered slots.
#pragma once

#include "devices/DeviceTypes.h"

class CSound {
public:
    virtual ~CSound() {}
    // Creates the sound device for the window. Comes first.
    virtual bool Init(HWND window) = 0;
    // Reads a whole WAV file into the slot's buffer.
    virtual bool LoadWave(const char* path, int32_t slot) = 0;
    // Rewinds the slot and plays it once; restarts it if still sounding.
    virtual HRESULT Play(int32_t slot) = 0;
    virtual HRESULT Stop(int32_t slot) = 0;
    // Volume of the whole output in hundredths of a decibel (0 full).
    virtual HRESULT SetVolume(int32_t level) = 0;
    // Replaces the slot table by `count` empty slots; negative is ignored.
    virtual void SetSlotCount(int32_t count) = 0;
    // The shared device object handed to the music player.
    virtual void* GetDirectSound() = 0;
};
