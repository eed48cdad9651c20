// Shows the game's finished frames on the page's canvas, at once, so that
// the screen wipes are seen tile by tile.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/Presenter.h"

class CCanvasPresenter : public CPresenter {
public:
    void Show(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride) override;

private:
    // The frame as the canvas takes it: R, G, B, A bytes.
    std::vector<uint32_t> rgba;
};
