#include "graphics/MemorySurface.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "graphics/BitmapSource.h"

CMemorySurface* CMemorySurface::Create(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        int64_t{width} * height > kMaxPixels) {
        return nullptr;
    }
    try {
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
        return new CMemorySurface(width, height, std::move(pixels));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CMemorySurface::CMemorySurface(int32_t width, int32_t height, std::vector<uint32_t>&& pixels)
    : width(width), height(height), pixels(std::move(pixels)) {}

CMemorySurface::~CMemorySurface() {}

uint32_t CMemorySurface::PixelOf(COLORREF color) {
    return ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

bool CMemorySurface::Contains(int64_t x, int64_t y, int64_t w, int64_t h) const {
    return w > 0 && h > 0 && x >= 0 && y >= 0 && x + w <= width && y + h <= height;
}

bool CMemorySurface::LoadBitmapResource(int32_t id, int32_t dstX, int32_t dstY, int32_t w,
                                        int32_t h, int32_t srcX, int32_t srcY, COLORREF key) {
    CPixelImage image;
    if (!LoadBitmapById(id, &image)) {
        return false;
    }
    return CopyPicture(image, dstX, dstY, w, h, srcX, srcY, key);
}

bool CMemorySurface::LoadImage(const char* name, int32_t dstX, int32_t dstY, int32_t w, int32_t h,
                               int32_t srcX, int32_t srcY, COLORREF key) {
    CPixelImage image;
    if (name == nullptr || !LoadBitmapByName(name, &image)) {
        return false;
    }
    return CopyPicture(image, dstX, dstY, w, h, srcX, srcY, key);
}

// Copies the part of the rectangle that lies inside both the picture and the
// sheet, then takes the key. The picture's colours arrive unchanged (every
// 8-bit-per-channel colour has its own pixel value), so a pixel ends up equal
// to the key exactly when the picture had the key colour there.
bool CMemorySurface::CopyPicture(const CPixelImage& image, int32_t dstX, int32_t dstY, int32_t w,
                                 int32_t h, int32_t srcX, int32_t srcY, COLORREF key) {
    const int64_t x0 = std::max<int64_t>({0, -int64_t{dstX}, -int64_t{srcX}});
    const int64_t y0 = std::max<int64_t>({0, -int64_t{dstY}, -int64_t{srcY}});
    const int64_t x1 =
        std::min<int64_t>({int64_t{w}, int64_t{width} - dstX, int64_t{image.width} - srcX});
    const int64_t y1 =
        std::min<int64_t>({int64_t{h}, int64_t{height} - dstY, int64_t{image.height} - srcY});
    if (x0 < x1 && y0 < y1) {
        for (int64_t row = y0; row < y1; ++row) {
            const uint32_t* from = image.pixels.data() + (srcY + row) * image.width + srcX + x0;
            uint32_t* to = pixels.data() + (dstY + row) * width + dstX + x0;
            std::memcpy(to, from, static_cast<size_t>(x1 - x0) * sizeof(uint32_t));
        }
        runsStale = true;
    }
    SetColorKey(key);
    return true;
}

int32_t CMemorySurface::SetColorKey(COLORREF color) {
    const uint32_t value = MatchColor(color);
    if (value != colorKey) {
        colorKey = value;
        runsStale = true;
    }
    return 1;
}

// Fills only a rectangle that lies wholly inside the sheet; any other
// rectangle leaves the sheet as it is.
void CMemorySurface::Fill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t value) {
    if (!Contains(x, y, w, h)) {
        return;
    }
    for (int32_t row = 0; row < h; ++row) {
        uint32_t* line = pixels.data() + static_cast<size_t>(y + row) * width + x;
        std::fill(line, line + w, value);
    }
    runsStale = true;
}

int32_t CMemorySurface::ClearToColorKey(int32_t x, int32_t y, int32_t w, int32_t h) {
    Fill(x, y, w, h, colorKey);
    return 1;
}

int32_t CMemorySurface::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, COLORREF color) {
    const uint32_t value = color == 0 ? 0 : MatchColor(color);
    Fill(x, y, w, h, value);
    return 1;
}

uint32_t CMemorySurface::MatchColor(COLORREF color) {
    if (color == kInvalidColor) {
        return pixels[0];
    }
    return PixelOf(color);
}

int32_t CMemorySurface::Blit(CSurface* source, int32_t x, int32_t y, int32_t w, int32_t h,
                             int32_t srcX, int32_t srcY) {
    auto* from = dynamic_cast<CMemorySurface*>(source);
    if (from == nullptr || w <= 0 || h <= 0) {
        return 0;
    }
    if (!from->Contains(srcX, srcY, w, h) || !Contains(x, y, w, h)) {
        return 0;
    }
    uint32_t* to = pixels.data() + static_cast<size_t>(y) * width + x;
    if (from == this) {
        // The rectangles may overlap: read the whole source before writing.
        try {
            std::vector<uint32_t> copy(static_cast<size_t>(w) * static_cast<size_t>(h));
            for (int32_t row = 0; row < h; ++row) {
                std::memcpy(copy.data() + static_cast<size_t>(row) * w,
                            pixels.data() + static_cast<size_t>(srcY + row) * width + srcX,
                            static_cast<size_t>(w) * sizeof(uint32_t));
            }
            for (int32_t row = 0; row < h; ++row) {
                const uint32_t* s = copy.data() + static_cast<size_t>(row) * w;
                uint32_t* d = to + static_cast<ptrdiff_t>(row) * width;
                for (int32_t i = 0; i < w; ++i) {
                    if (s[i] != colorKey) {
                        d[i] = s[i];
                    }
                }
            }
        } catch (const std::bad_alloc&) {
            return 0;
        }
    } else {
        from->CopyKeyed(srcX, srcY, w, h, to, width);
    }
    runsStale = true;
    return 1;
}

bool CMemorySurface::BuildRuns() const {
    try {
        runs.clear();
        rowRuns.assign(static_cast<size_t>(height) + 1, 0);
        for (int32_t row = 0; row < height; ++row) {
            const uint32_t* line = pixels.data() + static_cast<size_t>(row) * width;
            int32_t i = 0;
            while (i < width) {
                while (i < width && line[i] == colorKey) {
                    ++i;
                }
                const int32_t begin = i;
                while (i < width && line[i] != colorKey) {
                    ++i;
                }
                if (i > begin) {
                    runs.push_back(CRun{begin, i});
                }
            }
            rowRuns[row + 1] = static_cast<uint32_t>(runs.size());
        }
    } catch (const std::bad_alloc&) {
        runs.clear();
        rowRuns.clear();
        return false;
    }
    runsStale = false;
    return true;
}

void CMemorySurface::CopyKeyed(int32_t srcX, int32_t srcY, int32_t w, int32_t h, uint32_t* dst,
                               ptrdiff_t dstStride) const {
    if (runsStale && !BuildRuns()) {
        CopyKeyedByPixel(srcX, srcY, w, h, dst, dstStride);
        return;
    }
    const int32_t srcRight = srcX + w;
    const CRun* allRuns = runs.data();
    for (int32_t row = 0; row < h; ++row) {
        const uint32_t* line = pixels.data() + static_cast<size_t>(srcY + row) * width;
        uint32_t* out = dst + row * dstStride;
        const CRun* run = allRuns + rowRuns[srcY + row];
        const CRun* last = allRuns + rowRuns[srcY + row + 1];
        if (srcX > 0) {
            // The first run that reaches past the left edge.
            run = std::upper_bound(run, last, srcX,
                                   [](int32_t value, const CRun& r) { return value < r.end; });
        }
        for (; run != last && run->begin < srcRight; ++run) {
            const int32_t begin = std::max(run->begin, srcX);
            const int32_t end = std::min(run->end, srcRight);
            std::memcpy(out + (begin - srcX), line + begin, static_cast<size_t>(end - begin) * 4);
        }
    }
}

void CMemorySurface::CopyKeyedByPixel(int32_t srcX, int32_t srcY, int32_t w, int32_t h,
                                      uint32_t* dst, ptrdiff_t dstStride) const {
    const uint32_t key = colorKey;
    for (int32_t row = 0; row < h; ++row) {
        const uint32_t* s = pixels.data() + static_cast<size_t>(srcY + row) * width + srcX;
        uint32_t* d = dst + row * dstStride;
        for (int32_t i = 0; i < w; ++i) {
            d[i] = s[i] == key ? d[i] : s[i];
        }
    }
}
