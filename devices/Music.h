// The music player: pieces in numbered slots, one playing at a time.
#pragma once

#include "devices/DeviceTypes.h"

class CMusic {
public:
    virtual ~CMusic() {}
    // Releases whatever the slot held and loads a standard MIDI file into it.
    virtual bool Load(const char* path, int32_t slot) = 0;
    // Replaces the slot table by `count` empty slots; negative is ignored.
    virtual void SetSlotCount(int32_t count) = 0;
    // Starts the slot's piece unless the playing flag is set.
    virtual void Play(int32_t slot) = 0;
    virtual void Noop(int32_t value) = 0;
    // Stops the slot's piece and clears the playing flag.
    virtual HRESULT Stop(int32_t slot) = 0;
    // Loops from loopStart (768 units per quarter note) to 250 units before
    // the end, `repeats` times.
    virtual void SetLoop(int32_t slot, int32_t repeats, int32_t loopStart) = 0;
    // Starts the music engine on the effect player's device.
    virtual bool Init(HWND window, void* soundDevice) = 0;
};
