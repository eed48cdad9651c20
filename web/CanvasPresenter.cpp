#include "web/CanvasPresenter.h"

#include "web/WebBindings.h"

void CCanvasPresenter::Show(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride) {
    if (pixels == nullptr || width <= 0 || height <= 0) {
        return;
    }
    rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    uint32_t* to = rgba.data();
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* from = pixels + static_cast<ptrdiff_t>(y) * stride;
        for (int32_t x = 0; x < width; ++x) {
            // 0x00RRGGBB to the bytes R, G, B, 255 in memory order.
            const uint32_t p = from[x];
            *to++ = 0xFF000000u | ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
        }
    }
    web_canvas_show(rgba.data(), width, height);
}
