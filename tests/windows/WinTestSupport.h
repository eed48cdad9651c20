// Shared pieces of the Windows tests: a plain top-level window and raw
// pixel access to DirectDraw surfaces.
#pragma once

#include <cstdint>
#include <string>

// clang-format off
#include "devices/DeviceTypes.h"
#include "tests/support/TestFiles.h"
#include <ddraw.h>
// clang-format on

// A visible 640 x 480 window for the devices that need one; destroyed with
// the object.
class CTestWindow {
public:
    CTestWindow();
    ~CTestWindow();
    HWND Handle() const { return window; }
    // Handles what is waiting in the queue.
    void Pump();

private:
    HWND window;
};

// A locked surface: pixel values as the surface stores them.
class CLockedSurface {
public:
    explicit CLockedSurface(IDirectDrawSurface4* surface);
    ~CLockedSurface();
    bool Ok() const { return ok; }
    int32_t Width() const { return width; }
    int32_t Height() const { return height; }
    uint32_t Bits() const { return bits; }
    uint32_t Get(int32_t x, int32_t y) const;
    void Set(int32_t x, int32_t y, uint32_t value);

private:
    IDirectDrawSurface4* surface;
    bool ok;
    int32_t width;
    int32_t height;
    int32_t pitch;
    uint32_t bits;
    uint8_t* memory;
};

bool WriteWholeFile(const std::string& path, const std::string& bytes);
