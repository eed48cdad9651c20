// The sound-effect player on DirectSound: each effect is one secondary
// buffer holding a whole WAV file, in a numbered slot.
#pragma once

// clang-format off
#include "audio/FailureNote.h"
#include "devices/Sound.h"
// Under WIN32_LEAN_AND_MEAN the wave format types come from these.
#include <mmsystem.h>
#include <mmreg.h>
#include <dsound.h>
// clang-format on

class CDSSound : public CSound, public CFailureNote {
public:
    CDSSound();
    ~CDSSound() override;
    CDSSound(const CDSSound&) = delete;
    CDSSound& operator=(const CDSSound&) = delete;

    bool Init(HWND window) override;
    bool LoadWave(const char* path, int32_t slot) override;
    HRESULT Play(int32_t slot) override;
    HRESULT Stop(int32_t slot) override;
    HRESULT SetVolume(int32_t level) override;
    void SetSlotCount(int32_t count) override;
    void* GetDirectSound() override;

    // The slot's buffer, for tests; null while the slot is empty.
    IDirectSoundBuffer* Buffer(int32_t slot) const { return slots[slot]; }

private:
    const GUID* deviceGuid;
    IDirectSound* directSound;
    IDirectSoundBuffer* primaryBuffer;
    IDirectSoundBuffer** slots;
};
