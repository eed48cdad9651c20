// The drawing device: the screen and the back buffer each frame is built in.
#pragma once

#include "devices/DeviceTypes.h"
#include "devices/Surface.h"

class CGraphics {
public:
    virtual ~CGraphics() {}
    // Sets up the device for the window; width x height is the frame and the
    // clipping rectangle. 0 on success.
    virtual HRESULT Init(HWND window, int32_t width, int32_t height) = 0;
    // Gives back every platform object; harmless when repeated.
    virtual void Release() = 0;
    // Colour-keyed, clipped copy of a sheet rectangle to the back buffer.
    // Nonzero on success; 0 for a null sheet or a non-positive size.
    virtual int32_t DrawSprite(CSurface* sheet, int32_t x, int32_t y, int32_t w, int32_t h,
                               int32_t srcX, int32_t srcY) = 0;
    // Fills a rectangle of the back buffer with an unconverted pixel value.
    virtual HRESULT FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t pixel) = 0;
    // Shows the whole back buffer in the window.
    virtual HRESULT Present(HWND window) = 0;
    // A new sheet in the display's format with colour key 0, or null.
    virtual CSurface* CreateSurface(int32_t width, int32_t height, uint32_t flags) = 0;
    virtual HRESULT GetDC(HDC* dc) = 0;
    virtual HRESULT ReleaseDC(HDC dc) = 0;
};
