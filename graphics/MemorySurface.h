// A sprite sheet kept in ordinary memory, in the frame's own pixel format
// (0x00RRGGBB words), with one pixel value as its colour key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "devices/Surface.h"

struct CPixelImage;

class CMemorySurface : public CSurface {
public:
    // Largest side and largest pixel count a sheet may have.
    static constexpr int32_t kMaxSide = 16384;
    static constexpr int64_t kMaxPixels = int64_t{1} << 26;

    // A new width x height sheet, all pixels 0, colour key 0; null when the
    // size is not positive, too large, or the memory cannot be had.
    static CMemorySurface* Create(int32_t width, int32_t height);

    ~CMemorySurface() override;

    bool LoadBitmapResource(int32_t id, int32_t dstX, int32_t dstY, int32_t w, int32_t h,
                            int32_t srcX, int32_t srcY, COLORREF key) override;
    bool LoadImage(const char* name, int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                   int32_t srcY, COLORREF key) override;
    int32_t Blit(CSurface* source, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX,
                 int32_t srcY) override;
    int32_t SetColorKey(COLORREF color) override;
    int32_t ClearToColorKey(int32_t x, int32_t y, int32_t w, int32_t h) override;
    int32_t FillRect(int32_t x, int32_t y, int32_t w, int32_t h, COLORREF color) override;
    uint32_t MatchColor(COLORREF color) override;

    int32_t Width() const { return width; }
    int32_t Height() const { return height; }
    uint32_t ColorKey() const { return colorKey; }
    const uint32_t* Pixels() const { return pixels.data(); }

    // True when the w x h rectangle at (x, y) lies wholly inside the sheet.
    bool Contains(int64_t x, int64_t y, int64_t w, int64_t h) const;

    // Copies the rectangle at (srcX, srcY), which must lie inside the sheet,
    // to dst (stride in pixels), leaving out the pixels equal to the key.
    void CopyKeyed(int32_t srcX, int32_t srcY, int32_t w, int32_t h, uint32_t* dst,
                   ptrdiff_t dstStride) const;

    // The value a COLORREF (0x00BBGGRR) has as a pixel (0x00RRGGBB).
    static uint32_t PixelOf(COLORREF color);

private:
    // One stretch of pixels in a row that differ from the key: [begin, end).
    struct CRun {
        int32_t begin;
        int32_t end;
    };

    CMemorySurface(int32_t width, int32_t height, std::vector<uint32_t>&& pixels);

    bool CopyPicture(const CPixelImage& image, int32_t dstX, int32_t dstY, int32_t w, int32_t h,
                     int32_t srcX, int32_t srcY, COLORREF key);
    void Fill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t value);
    bool BuildRuns() const;
    void CopyKeyedByPixel(int32_t srcX, int32_t srcY, int32_t w, int32_t h, uint32_t* dst,
                          ptrdiff_t dstStride) const;

    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels;
    uint32_t colorKey = 0;

    // The opaque runs of every row, rebuilt on the first keyed copy after the
    // pixels or the key change. rowRuns[r] .. rowRuns[r + 1] index row r's runs.
    mutable std::vector<CRun> runs;
    mutable std::vector<uint32_t> rowRuns;
    mutable bool runsStale = true;
};
