#include "graphics/MemoryGraphics.h"

#include <algorithm>
#include <new>

#include "graphics/MemorySurface.h"

CMemoryGraphics::CMemoryGraphics(CPresenter* presenter) : presenter(presenter) {}

CMemoryGraphics::~CMemoryGraphics() {
    Release();
}

HRESULT CMemoryGraphics::Init(HWND, int32_t width, int32_t height) {
    frameWidth = width;
    frameHeight = height;
    try {
        frame.assign(static_cast<size_t>(kFrameWidth) * kFrameHeight, 0);
    } catch (const std::bad_alloc&) {
        return kStatusFail;
    }
    return 0;
}

void CMemoryGraphics::Release() {
    std::vector<uint32_t>().swap(frame);
}

int32_t CMemoryGraphics::DrawSprite(CSurface* sheet, int32_t x, int32_t y, int32_t w, int32_t h,
                                    int32_t srcX, int32_t srcY) {
    if (frame.empty() || sheet == nullptr || w <= 0 || h <= 0) {
        return 0;
    }
    // Clip to the frame given to Init: right edge before left, bottom before
    // top, each with the position as it was before its own step. Wide
    // arithmetic keeps extreme arguments from wrapping.
    int64_t dx = x, dy = y, dw = w, dh = h, sx = srcX, sy = srcY;
    if (dx + dw > frameWidth) {
        dw = frameWidth - dx;
    }
    if (dx < 0) {
        dw += dx;
        sx -= dx;
        dx = 0;
    }
    if (dy + dh > frameHeight) {
        dh = frameHeight - dy;
    }
    if (dy < 0) {
        dh += dy;
        sy -= dy;
        dy = 0;
    }
    auto* from = dynamic_cast<CMemorySurface*>(sheet);
    if (from == nullptr) {
        return 0;
    }
    // An empty rectangle, a source rectangle that leaves the sheet or a
    // destination that leaves the frame is refused whole.
    if (!from->Contains(sx, sy, dw, dh) || dx + dw > kFrameWidth || dy + dh > kFrameHeight) {
        return 0;
    }
    from->CopyKeyed(static_cast<int32_t>(sx), static_cast<int32_t>(sy), static_cast<int32_t>(dw),
                    static_cast<int32_t>(dh), frame.data() + dy * kFrameWidth + dx, kFrameWidth);
    return 1;
}

HRESULT CMemoryGraphics::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t pixel) {
    if (frame.empty() || w <= 0 || h <= 0 || x < 0 || y < 0 || int64_t{x} + w > kFrameWidth ||
        int64_t{y} + h > kFrameHeight) {
        return kStatusFail;
    }
    for (int32_t row = y; row < y + h; ++row) {
        uint32_t* line = frame.data() + static_cast<size_t>(row) * kFrameWidth + x;
        std::fill(line, line + w, pixel);
    }
    return 0;
}

HRESULT CMemoryGraphics::Present(HWND) {
    if (frame.empty()) {
        return kStatusFail;
    }
    if (presenter != nullptr) {
        presenter->Show(frame.data(), kFrameWidth, kFrameHeight, kFrameWidth);
    }
    return 0;
}

CSurface* CMemoryGraphics::CreateSurface(int32_t width, int32_t height, uint32_t) {
    if (frame.empty()) {
        return nullptr;
    }
    return CMemorySurface::Create(width, height);
}

HRESULT CMemoryGraphics::GetDC(HDC* dc) {
    if (dc != nullptr) {
        *dc = nullptr;
    }
    return kStatusFail;
}

HRESULT CMemoryGraphics::ReleaseDC(HDC) {
    return kStatusFail;
}
