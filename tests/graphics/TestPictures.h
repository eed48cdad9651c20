// Pictures the graphics tests load: written to temporary BMP files.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "BmpWriter.h"
#include "graphics/MemoryGraphics.h"
#include "graphics/MemorySurface.h"

// A path for a scratch file, unique to this test and process.
inline std::string ScratchPath(const std::string& name) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return ::testing::TempDir() + info->test_suite_name() + "-" + info->name() + "-" +
           std::to_string(getpid()) + "-" + name;
}

// Writes the picture as a BMP and loads it whole into a new sheet of the
// same size made by `graphics`. Null if any step fails.
inline CMemorySurface* LoadSheet(CGraphics& graphics, int32_t width, int32_t height,
                                 int bitsPerPixel, const std::vector<uint32_t>& pixels,
                                 COLORREF key, const std::vector<uint32_t>& palette = {}) {
    const std::string path = ScratchPath("sheet.bmp");
    if (!WriteBmp(path, width, height, bitsPerPixel, pixels, palette)) {
        return nullptr;
    }
    auto* sheet = dynamic_cast<CMemorySurface*>(graphics.CreateSurface(width, height, 0));
    if (sheet != nullptr && !sheet->LoadImage(path.c_str(), 0, 0, width, height, 0, 0, key)) {
        delete sheet;
        sheet = nullptr;
    }
    unlink(path.c_str());
    return sheet;
}

// A colour for every pixel of a sheet up to 1024 x 128, unlike any other,
// never magenta, white or kBackground.
inline uint32_t PatternPixel(int32_t x, int32_t y) {
    return (uint32_t(0x80 | y) << 16) | uint32_t(x);
}

constexpr uint32_t kBackground = 0x00010203;
