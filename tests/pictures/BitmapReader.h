// A small reader for the palette bitmaps, icons and cursors the game
// loads, for checking what the picture generator writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"

namespace picturetest {

struct Colour {
    uint8_t r, g, b;
    bool operator==(const Colour& o) const { return r == o.r && g == o.g && b == o.b; }
};

inline const Colour kMagenta{255, 0, 255};
inline const Colour kWhite{255, 255, 255};

inline uint32_t U16(const std::vector<uint8_t>& d, size_t at) {
    return at + 2 <= d.size() ? d[at] | (d[at + 1] << 8) : 0;
}
inline uint32_t U32(const std::vector<uint8_t>& d, size_t at) {
    return at + 4 <= d.size() ? U16(d, at) | (U16(d, at + 2) << 16) : 0;
}

// A palette bitmap as the game reads it: header fields, palette and one
// colour per pixel, top row first.
struct Bitmap {
    bool valid = false;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t bits = 0;
    std::vector<Colour> palette;
    std::vector<Colour> pixels;
    std::vector<uint8_t> indices;
    std::vector<uint8_t> rawPalette;
    Colour At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

inline Bitmap ReadBitmap(const std::string& path) {
    Bitmap bmp;
    const std::vector<uint8_t> d = ReadWholeFile<std::vector<uint8_t>>(path);
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M' || U32(d, 14) != 40 || U16(d, 26) != 1 ||
        U32(d, 30) != 0) {
        return bmp;
    }
    const uint32_t offset = U32(d, 10);
    bmp.width = static_cast<int32_t>(U32(d, 18));
    bmp.height = static_cast<int32_t>(U32(d, 22));
    bmp.bits = U16(d, 28);
    if (bmp.width <= 0 || bmp.height <= 0 || (bmp.bits != 8 && bmp.bits != 4)) {
        return bmp;
    }
    const uint32_t colours = U32(d, 46) != 0 ? U32(d, 46) : (1u << bmp.bits);
    if (colours > (1u << bmp.bits) || 54 + 4 * colours > offset) {
        return bmp;
    }
    for (uint32_t i = 0; i < colours; ++i) {
        const size_t at = 54 + 4 * i;
        bmp.palette.push_back(Colour{d[at + 2], d[at + 1], d[at]});
    }
    bmp.rawPalette.assign(d.begin() + 54, d.begin() + 54 + 4 * colours);
    const size_t stride = ((static_cast<size_t>(bmp.width) * bmp.bits + 31) / 32) * 4;
    if (offset + stride * static_cast<size_t>(bmp.height) > d.size()) {
        return bmp;
    }
    for (int32_t y = 0; y < bmp.height; ++y) {
        // Rows are stored bottom-up.
        const size_t row = offset + stride * static_cast<size_t>(bmp.height - 1 - y);
        for (int32_t x = 0; x < bmp.width; ++x) {
            uint32_t index = d[row + static_cast<size_t>(x * static_cast<int32_t>(bmp.bits) / 8)];
            if (bmp.bits == 4) {
                index = (x % 2 == 0) ? index >> 4 : index & 0x0f;
            }
            if (index >= colours) {
                return bmp;
            }
            bmp.indices.push_back(static_cast<uint8_t>(index));
            bmp.pixels.push_back(bmp.palette[index]);
        }
    }
    bmp.valid = true;
    return bmp;
}

}  // namespace picturetest
