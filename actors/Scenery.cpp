#include "actors/Scenery.h"

#include "actors/GameRandom.h"

// --- Cloud ---------------------------------------------------------------

CCloud::CCloud(double x0, double y0, double vx0, CSurface* sheet0)
    : CActor(sheet0, KIND_SCENERY, 1, 240, 123, x0, y0), vx(vx0) {}

int32_t CCloud::Move() {
    x = x + vx;
    if (x < -width) {
        x = 640.0;
    }
    return MOVE_KEEP;
}

// --- Sea -----------------------------------------------------------------

CSea::CSea(double x0, double y0, CSurface* sheet0)
    : CActor(sheet0, KIND_SCENERY, 3, 640, 108, x0, y0), speed(0.5), direction(1) {}

int32_t CSea::Move() {
    x = x + direction * speed;
    if (x > 40.0) {
        direction = -1;
    }
    if (x < 10.0) {
        direction = 1;
    }
    return MOVE_KEEP;
}

int32_t CSea::Draw(CGraphics* graphics) {
    // The band is scrolled left by ix: its columns from ix on fill the screen
    // from the left edge, its first ix columns close the gap at the right.
    const int32_t ix = PixelX();
    const int32_t iy = PixelY();
    graphics->DrawSprite(sheet, 0, iy, width - ix, height, ix, 0);
    return graphics->DrawSprite(sheet, width - ix, iy, ix, height, 0, 0);
}

// --- Palm ----------------------------------------------------------------

CPalm::CPalm(double x0, double y0, CSurface* sheet0)
    : CActor(sheet0, KIND_SCENERY, 5, 280, 380, x0, y0), frame(0), counter(0), period(6) {}

int32_t CPalm::Move() {
    counter = counter + 1;
    const int32_t n = counter;
    if (n % period == 0) {
        frame = (frame + 1) % 3;
    }
    if (n % 900 == 0) {
        period = period - 2;
        if (period < 2) {
            period = 2;
        }
    }
    return MOVE_KEEP;
}

int32_t CPalm::Draw(CGraphics* graphics) {
    return graphics->DrawSprite(sheet, PixelX(), PixelY(), width, height, frame * 280, 0);
}

// --- Island --------------------------------------------------------------

CIsland::CIsland(double x0, double y0, CSurface* sheet0)
    : CActor(sheet0, KIND_SCENERY, 5, 180, 96, x0, y0) {}

// --- Sun -----------------------------------------------------------------

CSun::CSun(double x0, double y0, CSurface* sheet0)
    : CActor(sheet0, KIND_SCENERY, 0, 90, 90, x0, y0), frame(0), counter(0) {}

int32_t CSun::Move() {
    const int32_t n = counter;
    counter = n + 1;
    if (n % 4 == 0) {
        frame = (frame + 1) % 2;
    }
    return MOVE_KEEP;
}

int32_t CSun::Draw(CGraphics* graphics) {
    return graphics->DrawSprite(sheet, PixelX(), PixelY(), width, height, frame * 90, 0);
}

// --- Speech bubble -------------------------------------------------------

CShout::CShout(double x0, double y0, int32_t picture, CSurface* sheet0)
    : CActor(sheet0, KIND_SCENERY, 5, 70, 47, x0, y0), counter(0), srcX(picture * width) {}

int32_t CShout::Move() {
    counter = counter + 1;
    if (counter % 50 == 0) {
        srcX = (GameRandom() % 2) * 70;
    }
    return MOVE_KEEP;
}

int32_t CShout::Draw(CGraphics* graphics) {
    return graphics->DrawSprite(sheet, PixelX(), PixelY(), width, height, srcX, 0);
}

// --- Drop ----------------------------------------------------------------

CDrop::CDrop(double x0, double y0, int32_t speed0, CSurface* sheet0)
    : CActor(sheet0, KIND_SCENERY, 5, 8, 8, x0, y0), speed(speed0), counter(0) {}

int32_t CDrop::Move() {
    x = x - speed;
    y = y - speed;
    const int32_t n = counter;
    counter = n + 1;
    return n > 15 ? MOVE_REMOVE : MOVE_KEEP;
}
