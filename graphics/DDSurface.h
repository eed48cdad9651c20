// A sprite sheet in one DirectDraw off-screen surface, filled from the
// program's bitmap resources through GDI, with a source colour key.
#pragma once

#include <ddraw.h>

#include "devices/Surface.h"

class CDDSurface : public CSurface {
public:
    // Takes over one reference to `surface`; the key starts at 0.
    explicit CDDSurface(IDirectDrawSurface4* surface);
    ~CDDSurface() override;
    CDDSurface(const CDDSurface&) = delete;
    CDDSurface& operator=(const CDDSurface&) = delete;

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

    IDirectDrawSurface4* Surface() const { return surface; }
    uint32_t ColorKey() const { return colorKey; }

private:
    // Copies a loaded bitmap into the surface and sets the key; frees the bitmap.
    bool CopyBitmap(HBITMAP bitmap, int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                    int32_t srcY, COLORREF key);
    void ColorFill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t value);

    IDirectDrawSurface4* surface;
    uint32_t colorKey;
};
