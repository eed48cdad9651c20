// Where finished frames go: the window on screen, a picture file, or nowhere.
#pragma once

#include <cstdint>

class CPresenter {
public:
    virtual ~CPresenter();
    // Shows one whole frame. Pixels are 0x00RRGGBB words, row after row;
    // stride is the distance between rows in pixels. The pixels are only
    // valid during the call.
    virtual void Show(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride) = 0;
};
