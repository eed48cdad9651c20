// One sprite sheet: a picture in the display's pixel format with a colour key.
#pragma once

#include "devices/DeviceTypes.h"

class CSurface {
public:
    virtual ~CSurface() {}
    // Copies the w x h rectangle at (srcX, srcY) of bitmap resource `id` to
    // (dstX, dstY), then sets the colour key. False if the resource is missing
    // or the surface cannot be written.
    virtual bool LoadBitmapResource(int32_t id, int32_t dstX, int32_t dstY, int32_t w, int32_t h,
                                    int32_t srcX, int32_t srcY, COLORREF key) = 0;
    // As LoadBitmapResource, by resource name first, then as a bitmap file path.
    virtual bool LoadImage(const char* name, int32_t dstX, int32_t dstY, int32_t w, int32_t h,
                           int32_t srcX, int32_t srcY, COLORREF key) = 0;
    // Colour-keyed copy of the source's rectangle into this surface, unclipped.
    virtual int32_t Blit(CSurface* source, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX,
                         int32_t srcY) = 0;
    // Converts the colour and makes it the source colour key. Returns 1.
    virtual int32_t SetColorKey(COLORREF color) = 0;
    // Fills the rectangle with the remembered key. Returns 1.
    virtual int32_t ClearToColorKey(int32_t x, int32_t y, int32_t w, int32_t h) = 0;
    // Fills the rectangle with the converted colour (0 stays 0). Returns 1.
    virtual int32_t FillRect(int32_t x, int32_t y, int32_t w, int32_t h, COLORREF color) = 0;
    // The pixel value of a colour; with kInvalidColor the top-left pixel's value.
    virtual uint32_t MatchColor(COLORREF color) = 0;
};
