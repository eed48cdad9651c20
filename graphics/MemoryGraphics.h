// The drawing device: each frame is composed in a 640 x 480 frame of
// 0x00RRGGBB words in memory and handed whole to a presenter.
#pragma once

#include <cstdint>
#include <vector>

#include "devices/Graphics.h"
#include "graphics/Presenter.h"

class CMemoryGraphics : public CGraphics {
public:
    // The frame is always this size, whatever Init is given.
    static constexpr int32_t kFrameWidth = 640;
    static constexpr int32_t kFrameHeight = 480;

    // The presenter is not owned and may be null: frames are then only kept.
    explicit CMemoryGraphics(CPresenter* presenter);
    ~CMemoryGraphics() override;

    // The window is not used: frames go to the presenter.
    HRESULT Init(HWND window, int32_t width, int32_t height) override;
    void Release() override;
    int32_t DrawSprite(CSurface* sheet, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override;
    // Refuses (kStatusFail, nothing written) a rectangle that is empty or
    // does not lie wholly inside the frame.
    HRESULT FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t pixel) override;
    HRESULT Present(HWND window) override;
    CSurface* CreateSurface(int32_t width, int32_t height, uint32_t flags) override;
    // There are no device contexts here: both answer kStatusFail.
    HRESULT GetDC(HDC* dc) override;
    HRESULT ReleaseDC(HDC dc) override;

    // The frame being composed (kFrameWidth pixels a row), or null before
    // Init and after Release.
    const uint32_t* Pixels() const { return frame.empty() ? nullptr : frame.data(); }

private:
    CPresenter* presenter;
    std::vector<uint32_t> frame;
    // The clipping edges of DrawSprite, from Init.
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
};
