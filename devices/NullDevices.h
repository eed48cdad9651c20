// Devices that do nothing and report success: the game runs against them at
// full speed, as in the benchmarks and the replay checker, with no drawing,
// sound or waiting.
#pragma once

#include "devices/Platform.h"

class CNullSurface : public CSurface {
public:
    bool LoadBitmapResource(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                            COLORREF) override {
        return true;
    }
    bool LoadImage(const char*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                   COLORREF) override {
        return true;
    }
    int32_t Blit(CSurface*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {
        return 1;
    }
    int32_t SetColorKey(COLORREF) override { return 1; }
    int32_t ClearToColorKey(int32_t, int32_t, int32_t, int32_t) override { return 1; }
    int32_t FillRect(int32_t, int32_t, int32_t, int32_t, COLORREF) override { return 1; }
    uint32_t MatchColor(COLORREF color) override { return color; }
};

class CNullGraphics : public CGraphics {
public:
    HRESULT Init(HWND, int32_t, int32_t) override { return 0; }
    void Release() override {}
    int32_t DrawSprite(CSurface* sheet, int32_t, int32_t, int32_t w, int32_t h, int32_t,
                       int32_t) override {
        return sheet != nullptr && w > 0 && h > 0;
    }
    HRESULT FillRect(int32_t, int32_t, int32_t, int32_t, uint32_t) override { return 0; }
    HRESULT Present(HWND) override { return 0; }
    CSurface* CreateSurface(int32_t, int32_t, uint32_t) override { return new CNullSurface; }
    HRESULT GetDC(HDC*) override { return kStatusFail; }
    HRESULT ReleaseDC(HDC) override { return kStatusFail; }
};

class CNullSound : public CSound {
public:
    bool Init(HWND) override { return true; }
    bool LoadWave(const char*, int32_t) override { return true; }
    HRESULT Play(int32_t) override { return 0; }
    HRESULT Stop(int32_t) override { return 0; }
    HRESULT SetVolume(int32_t) override { return 0; }
    void SetSlotCount(int32_t) override {}
    void* GetDirectSound() override { return this; }
};

class CNullMusic : public CMusic {
public:
    bool Load(const char*, int32_t) override { return true; }
    void SetSlotCount(int32_t) override {}
    void Play(int32_t) override {}
    void Noop(int32_t) override {}
    HRESULT Stop(int32_t) override { return 0; }
    void SetLoop(int32_t, int32_t, int32_t) override {}
    bool Init(HWND, void*) override { return true; }
};

// Silent, sleepless and without dialogs or message boxes; the drawing device can be replaced.
class CNullPlatform : public CPlatform {
public:
    CGraphics* CreateGraphics() override { return new CNullGraphics; }
    CSound* CreateSound() override { return new CNullSound; }
    CMusic* CreateMusic() override { return new CNullMusic; }
    void Sleep(uint32_t) override {}
    int32_t RunGameOverDialog(HWND) override { return 0; }
    void ShowMessage(HWND, const char*) override {}
};
