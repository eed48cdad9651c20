// Writers for the picture files the game loads: palette bitmaps, the window
// icon and the mouse cursor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Palette.h"

// A palette bitmap with a BITMAPINFOHEADER and bottom-up rows. `bits` is 8
// (palette of up to 256 entries) or 4 (up to 16; every index must be below 16).
bool WriteBitmap(const std::string& path, const CIndexedPicture& picture,
                 const std::vector<Rgb>& palette, int32_t bits);

// An icon file with one 8-bit image; `transparentIndex` marks the pixels
// that the icon's mask leaves see-through.
bool WriteIcon(const std::string& path, const CIndexedPicture& picture,
               const std::vector<Rgb>& palette, int32_t transparentIndex);

// A monochrome cursor of 32 x 32. Each pixel is 0 transparent, 1 black, 2 white.
bool WriteCursor(const std::string& path, const std::vector<uint8_t>& pixels, int32_t hotX,
                 int32_t hotY);
