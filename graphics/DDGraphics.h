// The drawing device on DirectDraw: a 640 x 480 back buffer composed each
// frame and copied in one blit to the window's place on the primary surface.
#pragma once

#include <ddraw.h>

#include "devices/Graphics.h"

class CDDGraphics : public CGraphics {
public:
    CDDGraphics();
    ~CDDGraphics() override;
    CDDGraphics(const CDDGraphics&) = delete;
    CDDGraphics& operator=(const CDDGraphics&) = delete;

    HRESULT Init(HWND window, int32_t width, int32_t height) override;
    void Release() override;
    int32_t DrawSprite(CSurface* sheet, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override;
    HRESULT FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t pixel) override;
    HRESULT Present(HWND window) override;
    CSurface* CreateSurface(int32_t width, int32_t height, uint32_t flags) override;
    HRESULT GetDC(HDC* dc) override;
    HRESULT ReleaseDC(HDC dc) override;

    // The back buffer, for tests that read back what was drawn.
    IDirectDrawSurface4* BackBuffer() const { return backBuffer; }

private:
    IDirectDraw4* directDraw;
    IDirectDrawSurface4* primary;
    IDirectDrawSurface4* backBuffer;
    int32_t frameWidth;
    int32_t frameHeight;
};
