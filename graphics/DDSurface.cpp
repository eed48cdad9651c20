#include "graphics/DDSurface.h"

#include <cstring>

namespace {

// Every fill in a surface of its own: a colour fill with the blitter.
constexpr DWORD kFillFlags = DDBLT_COLORFILL | DDBLT_WAIT;

}  // namespace

CDDSurface::CDDSurface(IDirectDrawSurface4* ddSurface) : surface(ddSurface), colorKey(0) {}

CDDSurface::~CDDSurface() {
    if (surface != nullptr) {
        surface->Release();
        surface = nullptr;
    }
}

bool CDDSurface::CopyBitmap(HBITMAP bitmap, int32_t dstX, int32_t dstY, int32_t w, int32_t h,
                            int32_t srcX, int32_t srcY, COLORREF key) {
    if (surface == nullptr) {
        DeleteObject(bitmap);
        return false;
    }
    // A surface whose memory was lost is made usable again before it is written.
    surface->Restore();
    HDC memory = CreateCompatibleDC(nullptr);
    if (memory == nullptr) {
        DeleteObject(bitmap);
        return false;
    }
    HGDIOBJ previous = SelectObject(memory, bitmap);
    HDC target = nullptr;
    bool copied = false;
    if (surface->GetDC(&target) == DD_OK) {
        // GDI converts the palette picture to the surface's pixel format.
        BitBlt(target, dstX, dstY, w, h, memory, srcX, srcY, SRCCOPY);
        surface->ReleaseDC(target);
        copied = true;
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    SetColorKey(key);
    return copied;
}

bool CDDSurface::LoadBitmapResource(int32_t id, int32_t dstX, int32_t dstY, int32_t w, int32_t h,
                                    int32_t srcX, int32_t srcY, COLORREF key) {
    HBITMAP bitmap =
        LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(static_cast<WORD>(id)));
    if (bitmap == nullptr) {
        return false;
    }
    return CopyBitmap(bitmap, dstX, dstY, w, h, srcX, srcY, key);
}

bool CDDSurface::LoadImage(const char* name, int32_t dstX, int32_t dstY, int32_t w, int32_t h,
                           int32_t srcX, int32_t srcY, COLORREF key) {
    HANDLE image =
        LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (image == nullptr) {
        image =
            LoadImageA(nullptr, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE);
    }
    if (image == nullptr) {
        return false;
    }
    return CopyBitmap(static_cast<HBITMAP>(image), dstX, dstY, w, h, srcX, srcY, key);
}

int32_t CDDSurface::Blit(CSurface* source, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX,
                         int32_t srcY) {
    if (source == nullptr || w <= 0 || h <= 0 || surface == nullptr) {
        return 0;
    }
    CDDSurface* ddSource = dynamic_cast<CDDSurface*>(source);
    if (ddSource == nullptr || ddSource->surface == nullptr) {
        return 0;
    }
    RECT rect;
    rect.left = srcX;
    rect.top = srcY;
    rect.right = srcX + w;
    rect.bottom = srcY + h;
    HRESULT result =
        surface->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), ddSource->surface, &rect,
                         DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
    return result == DD_OK ? 1 : 0;
}

int32_t CDDSurface::SetColorKey(COLORREF color) {
    uint32_t value = MatchColor(color);
    if (surface != nullptr) {
        DDCOLORKEY key;
        key.dwColorSpaceLowValue = value;
        key.dwColorSpaceHighValue = value;
        surface->SetColorKey(DDCKEY_SRCBLT, &key);
    }
    colorKey = value;
    return 1;
}

void CDDSurface::ColorFill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t value) {
    if (surface == nullptr) {
        return;
    }
    RECT rect;
    rect.left = x;
    rect.top = y;
    rect.right = x + w;
    rect.bottom = y + h;
    DDBLTFX fx;
    std::memset(&fx, 0, sizeof(fx));
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = value;
    surface->Blt(&rect, nullptr, nullptr, kFillFlags, &fx);
}

int32_t CDDSurface::ClearToColorKey(int32_t x, int32_t y, int32_t w, int32_t h) {
    ColorFill(x, y, w, h, colorKey);
    return 1;
}

int32_t CDDSurface::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, COLORREF color) {
    uint32_t value = color == 0 ? 0 : MatchColor(color);
    ColorFill(x, y, w, h, value);
    return 1;
}

uint32_t CDDSurface::MatchColor(COLORREF color) {
    if (surface == nullptr) {
        return color;
    }
    // Let GDI write the colour into the top-left pixel and read the raw value
    // back: that is exactly what GDI makes of this colour in the surface's
    // format, as it did when the bitmap was loaded.
    COLORREF saved = 0;
    bool haveSaved = false;
    HDC dc = nullptr;
    if (color != CLR_INVALID && surface->GetDC(&dc) == DD_OK) {
        saved = GetPixel(dc, 0, 0);
        SetPixel(dc, 0, 0, color);
        surface->ReleaseDC(dc);
        haveSaved = true;
    }

    uint32_t result = color;
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) == DD_OK) {
        uint32_t word;
        std::memcpy(&word, desc.lpSurface, sizeof(word));
        DWORD bits = desc.ddpfPixelFormat.dwRGBBitCount;
        if (bits != 32) {
            word &= (1u << bits) - 1u;
        }
        result = word;
        surface->Unlock(nullptr);
    }

    if (haveSaved && surface->GetDC(&dc) == DD_OK) {
        SetPixel(dc, 0, 0, saved);
        surface->ReleaseDC(dc);
    }
    return result;
}
