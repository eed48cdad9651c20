// The music player on DirectMusic: standard MIDI files as segments in
// numbered slots, played on one performance that shares the effect player's
// DirectSound object.
#pragma once

// clang-format off
#include "audio/MusicPlayer.h"
#include <mmsystem.h>
#include <mmreg.h>
#include <dmusici.h>
// clang-format on

// The second generation of the performance interface: the game uses only the
// operations it shares with the first, so it adds none here.
struct IDirectMusicPerformance2 : public IDirectMusicPerformance {};

class CDMMusic : public CMusicPlayer {
public:
    CDMMusic();
    ~CDMMusic() override;
    CDMMusic(const CDMMusic&) = delete;
    CDMMusic& operator=(const CDMMusic&) = delete;

    bool Load(const char* path, int32_t slot) override;
    void SetSlotCount(int32_t count) override;
    void SetLoop(int32_t slot, int32_t repeats, int32_t loopStart) override;
    bool Init(HWND window, void* soundDevice) override;

    IDirectMusicSegment* Segment(int32_t slot) const { return slots[slot]; }

private:
    // Plays the slot's segment as the primary segment; false for an empty
    // slot or without a performance.
    bool StartPiece(int32_t slot) override;
    // The performance's Stop for the slot's segment.
    HRESULT StopPiece(int32_t slot) override;
    IDirectMusicSegment* LoadSegment(const char* path);
    // Unloads the slot's instruments and gives the segment back.
    void ReleaseSlot(int32_t slot);

    int32_t slotCount;
    IDirectMusicPerformance2* performance;
    IDirectMusicLoader* loader;
    IDirectMusicSegment** slots;
    IDirectMusicSegmentState* segmentState;
    // CoInitialize succeeded, so the destructor owes one CoUninitialize.
    bool comStarted;
};
