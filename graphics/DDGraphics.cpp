#include "graphics/DDGraphics.h"

#include <cstring>
#include <new>

#include "graphics/DDSurface.h"

namespace {

// The records DirectDraw is handed are always cleared and sized first. Both
// hold pointers, so the 64-bit program's records are larger.
static_assert(sizeof(DDSURFACEDESC2) == (sizeof(void*) == 4 ? 124 : 136),
              "DirectDraw surface description size");
static_assert(sizeof(DDBLTFX) == (sizeof(void*) == 4 ? 100 : 128), "DirectDraw blit record size");

// The back buffer is always the size of the game's frame.
constexpr DWORD kBackBufferWidth = 640;
constexpr DWORD kBackBufferHeight = 480;
// The flag word the frame copy is made with; DDBLT_WAIT is not among it, so a
// busy device answers DDERR_WASSTILLDRAWING and the copy is tried again.
constexpr DWORD kPresentFlags = 0x10;

const GUID kIidDirectDraw4 = {
    0x9c59509a, 0x39bd, 0x11d1, {0x8c, 0x4a, 0x00, 0xc0, 0x4f, 0xd9, 0x30, 0xc5}};

}  // namespace

CDDGraphics::CDDGraphics() : directDraw(nullptr), primary(nullptr), backBuffer(nullptr) {}

CDDGraphics::~CDDGraphics() {
    Release();
}

HRESULT CDDGraphics::Init(HWND window, int32_t width, int32_t height) {
    frameWidth = width;
    frameHeight = height;

    IDirectDraw* first = nullptr;
    HRESULT result = DirectDrawCreate(nullptr, &first, nullptr);
    if (FAILED(result)) {
        return result;
    }
    result = first->QueryInterface(kIidDirectDraw4, reinterpret_cast<void**>(&directDraw));
    first->Release();
    if (FAILED(result)) {
        directDraw = nullptr;
        return result;
    }

    result = directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
    if (FAILED(result)) {
        return result;
    }

    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    result = directDraw->CreateSurface(&desc, &primary, nullptr);
    if (FAILED(result)) {
        primary = nullptr;
        return result;
    }

    IDirectDrawClipper* clipper = nullptr;
    result = directDraw->CreateClipper(0, &clipper, nullptr);
    if (FAILED(result)) {
        return result;
    }
    // Once attached, the primary surface holds the clipper's only reference.
    clipper->SetHWnd(0, window);
    primary->SetClipper(clipper);
    clipper->Release();

    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = kBackBufferWidth;
    desc.dwHeight = kBackBufferHeight;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    result = directDraw->CreateSurface(&desc, &backBuffer, nullptr);
    if (FAILED(result)) {
        backBuffer = nullptr;
    }
    return result;
}

void CDDGraphics::Release() {
    if (directDraw == nullptr) {
        return;
    }
    if (backBuffer != nullptr) {
        backBuffer->Release();
        backBuffer = nullptr;
    }
    if (primary != nullptr) {
        primary->Release();
        primary = nullptr;
    }
    directDraw->Release();
    directDraw = nullptr;
}

int32_t CDDGraphics::DrawSprite(CSurface* sheet, int32_t x, int32_t y, int32_t w, int32_t h,
                                int32_t srcX, int32_t srcY) {
    if (backBuffer == nullptr || sheet == nullptr || w <= 0 || h <= 0) {
        return 0;
    }
    // Clip to the frame: the right edge first, with x as given, then the left.
    if (x + w > frameWidth) {
        w = frameWidth - x;
    }
    if (x < 0) {
        w += x;
        srcX -= x;
        x = 0;
    }
    if (y + h > frameHeight) {
        h = frameHeight - y;
    }
    if (y < 0) {
        h += y;
        srcY -= y;
        y = 0;
    }
    RECT source;
    source.left = srcX;
    source.top = srcY;
    source.right = srcX + w;
    source.bottom = srcY + h;

    CDDSurface* ddSheet = dynamic_cast<CDDSurface*>(sheet);
    if (ddSheet == nullptr || ddSheet->Surface() == nullptr) {
        return 0;
    }
    // A sprite wholly outside the frame leaves an empty rectangle here, which
    // BltFast refuses: nothing is drawn.
    HRESULT result =
        backBuffer->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), ddSheet->Surface(),
                            &source, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
    return result == DD_OK ? 1 : 0;
}

HRESULT CDDGraphics::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t pixel) {
    if (backBuffer == nullptr) {
        return kStatusFail;
    }
    RECT target;
    target.left = x;
    target.top = y;
    target.right = x + w;
    target.bottom = y + h;
    DDBLTFX fx;
    std::memset(&fx, 0, sizeof(fx));
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = pixel;
    return backBuffer->Blt(&target, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

HRESULT CDDGraphics::Present(HWND window) {
    if (primary == nullptr || backBuffer == nullptr) {
        return kStatusFail;
    }
    POINT corner = {0, 0};
    ClientToScreen(window, &corner);
    RECT target;
    SetRect(&target, corner.x, corner.y, corner.x + frameWidth, corner.y + frameHeight);
    for (;;) {
        HRESULT result = primary->Blt(&target, backBuffer, nullptr, kPresentFlags, nullptr);
        if (result == DD_OK) {
            return result;
        }
        if (result == DDERR_SURFACELOST) {
            // Restored, this frame is skipped; the next one shows normally.
            result = primary->Restore();
        }
        if (result != DDERR_WASSTILLDRAWING) {
            return result;
        }
    }
}

CSurface* CDDGraphics::CreateSurface(int32_t width, int32_t height, uint32_t flags) {
    if (directDraw == nullptr) {
        return nullptr;
    }
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = flags | DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface4* surface = nullptr;
    if (FAILED(directDraw->CreateSurface(&desc, &surface, nullptr)) || surface == nullptr) {
        return nullptr;
    }
    CDDSurface* sheet = new (std::nothrow) CDDSurface(surface);
    if (sheet == nullptr) {
        surface->Release();
    }
    return sheet;
}

HRESULT CDDGraphics::GetDC(HDC* dc) {
    if (backBuffer == nullptr) {
        return kStatusFail;
    }
    return backBuffer->GetDC(dc);
}

HRESULT CDDGraphics::ReleaseDC(HDC dc) {
    if (backBuffer == nullptr) {
        return kStatusFail;
    }
    return backBuffer->ReleaseDC(dc);
}
