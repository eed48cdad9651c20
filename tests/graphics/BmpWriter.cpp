#include "BmpWriter.h"

#include <fstream>

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

bool WriteBmp(const std::string& path, int32_t width, int32_t height, int bitsPerPixel,
              const std::vector<uint32_t>& pixels, const std::vector<uint32_t>& palette) {
    const uint32_t rowBytes = ((width * bitsPerPixel + 31) / 32) * 4;
    const uint32_t paletteBytes = bitsPerPixel <= 8 ? 4u << bitsPerPixel : 0;
    const uint32_t dataOffset = 14 + 40 + paletteBytes;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, dataOffset + rowBytes * height);
    Put32(out, 0);
    Put32(out, dataOffset);
    Put32(out, 40);
    Put32(out, width);
    Put32(out, height);
    Put16(out, 1);
    Put16(out, bitsPerPixel);
    Put32(out, 0);  // no compression
    Put32(out, rowBytes * height);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, paletteBytes / 4);
    Put32(out, 0);
    for (uint32_t i = 0; i < paletteBytes / 4; ++i) {
        Put32(out, i < palette.size() ? palette[i] : 0);  // B, G, R, 0
    }
    for (int32_t y = height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(rowBytes, 0);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = pixels[static_cast<size_t>(y) * width + x];
            if (bitsPerPixel == 24) {
                row[x * 3] = v & 0xFF;
                row[x * 3 + 1] = (v >> 8) & 0xFF;
                row[x * 3 + 2] = (v >> 16) & 0xFF;
            } else if (bitsPerPixel == 8) {
                row[x] = static_cast<uint8_t>(v);
            } else {
                row[x / 2] |= static_cast<uint8_t>((v & 0xF) << (x % 2 == 0 ? 4 : 0));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}
