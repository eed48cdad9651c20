// Small plain types shared by the game and its devices.
//
// On Windows the platform's own definitions are used, so that the DirectX
// devices can pass them straight through; elsewhere the game brings its own
// with the same layout and meaning.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The interfaces have an operation called LoadImage; keep the platform's
// A/W macro from renaming it.
#undef LoadImage
#else
// A rectangle in pixels; right and bottom are exclusive.
struct RECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
// A colour as 0x00BBGGRR.
typedef uint32_t COLORREF;
// A 32-bit status code; 0 is success, anything else a failure.
typedef int32_t HRESULT;
// Opaque handles: the window the game draws into and a drawing context.
typedef struct HWND__* HWND;
typedef struct HDC__* HDC;
#endif

// A colour value that names no colour: MatchColor then reads the top-left pixel.
constexpr COLORREF kInvalidColor = 0xFFFFFFFFu;
// Generic failure status used where a device has no more precise code.
constexpr HRESULT kStatusFail = static_cast<HRESULT>(0x80004005u);
// Surface capability asking for system memory.
constexpr uint32_t kSurfaceSystemMemory = 2048;
