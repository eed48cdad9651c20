#include "web/BmpFile.h"

#include <vector>

#include "devices/RegularFile.h"

namespace {

// The largest picture read, in pixels, and the largest file.
constexpr int64_t kMaxPixels = int64_t{1} << 26;
constexpr size_t kMaxFileBytes = size_t{64} * 1024 * 1024;

uint32_t Le16(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8);
}

uint32_t Le32(const uint8_t* p) {
    return Le16(p) | (Le16(p + 2) << 16);
}

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, CPixelImage* out) {
    constexpr size_t kFileHeader = 14;
    if (data == nullptr || size < kFileHeader + 40 || data[0] != 'B' || data[1] != 'M') {
        return false;
    }
    const uint32_t pixelOffset = Le32(data + 10);
    const uint8_t* info = data + kFileHeader;
    const uint32_t infoSize = Le32(info);
    if (infoSize < 40 || infoSize > size - kFileHeader) {
        return false;
    }
    const int32_t width = static_cast<int32_t>(Le32(info + 4));
    const int32_t storedHeight = static_cast<int32_t>(Le32(info + 8));
    const uint32_t planes = Le16(info + 12);
    const uint32_t bits = Le16(info + 14);
    const uint32_t compression = Le32(info + 16);
    uint32_t colours = Le32(info + 32);
    // Rows run upward unless the height is negative.
    const bool topDown = storedHeight < 0;
    const int64_t height = topDown ? -int64_t(storedHeight) : int64_t(storedHeight);
    if (planes != 1 || compression != 0 || width <= 0 || height <= 0 ||
        int64_t(width) * height > kMaxPixels) {
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
        return false;
    }
    // The palette follows the info header.
    std::vector<uint32_t> palette;
    if (bits <= 8) {
        const uint32_t most = 1u << bits;
        if (colours == 0 || colours > most) {
            colours = most;
        }
        const size_t paletteAt = kFileHeader + infoSize;
        if (paletteAt + size_t(colours) * 4 > size) {
            return false;
        }
        palette.assign(most, 0);
        for (uint32_t i = 0; i < colours; ++i) {
            const uint8_t* entry = data + paletteAt + size_t(i) * 4;
            palette[i] = (uint32_t(entry[2]) << 16) | (uint32_t(entry[1]) << 8) | entry[0];
        }
    }
    const size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    if (pixelOffset > size || stride * size_t(height) > size - pixelOffset) {
        return false;
    }
    out->width = width;
    out->height = static_cast<int32_t>(height);
    out->pixels.assign(size_t(width) * size_t(height), 0);
    for (int64_t y = 0; y < height; ++y) {
        const int64_t storedRow = topDown ? y : height - 1 - y;
        const uint8_t* row = data + pixelOffset + stride * size_t(storedRow);
        uint32_t* to = out->pixels.data() + size_t(y) * size_t(width);
        for (int32_t x = 0; x < width; ++x) {
            switch (bits) {
                case 1:
                    to[x] = palette[(row[x / 8] >> (7 - x % 8)) & 1];
                    break;
                case 4:
                    to[x] = palette[(row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F];
                    break;
                case 8:
                    to[x] = palette[row[x]];
                    break;
                default: {
                    const uint8_t* p = row + size_t(x) * (bits / 8);
                    to[x] = (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
                    break;
                }
            }
        }
    }
    return true;
}

bool ReadBmpFile(const char* path, CPixelImage* out) {
    std::vector<uint8_t> bytes;
    return path != nullptr &&
           ReadRegularFile(path, bytes, kMaxFileBytes, FILE_LINKS_FOLLOWED) == FILE_READ_OK &&
           DecodeBmp(bytes.data(), bytes.size(), out);
}
