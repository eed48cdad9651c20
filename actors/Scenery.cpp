#include "actors/Scenery.h"

#include "game/GameRandom.h"

// --- Cloud ---------------------------------------------------------------

CCloud::CCloud(double x0, double y0, double vx0, CSurface* sheet0) : vx(vx0) {
    sheet = sheet0;
    kind = KIND_SCENERY;
    layer = 1;
    width = 240;
    height = 123;
    x = x0;
    y = y0;
}

int32_t CCloud::Move() {
    x = x + vx;
    if (x < -width) {
        x = 640.0;
    }
    return MOVE_KEEP;
}

// --- Sea -----------------------------------------------------------------

CSea::CSea(double x0, double y0, CSurface* sheet0) : speed(0.5), direction(1) {
    sheet = sheet0;
    kind = KIND_SCENERY;
    layer = 3;
    width = 640;
    height = 108;
    x = x0;
    y = y0;
}

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

CPalm::CPalm(double x0, double y0, CSurface* sheet0) : frame(0), counter(0), period(6) {
    sheet = sheet0;
    kind = KIND_SCENERY;
    layer = 5;
    width = 280;
    height = 380;
    x = x0;
    y = y0;
}

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

CIsland::CIsland(double x0, double y0, CSurface* sheet0) {
    sheet = sheet0;
    kind = KIND_SCENERY;
    layer = 5;
    width = 180;
    height = 96;
    x = x0;
    y = y0;
}

// --- Sun -----------------------------------------------------------------

CSun::CSun(double x0, double y0, CSurface* sheet0) : frame(0), counter(0) {
    sheet = sheet0;
    kind = KIND_SCENERY;
    layer = 0;
    width = 90;
    height = 90;
    x = x0;
    y = y0;
}

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

CShout::CShout(double x0, double y0, int32_t picture, CSurface* sheet0) : counter(0), srcX(0) {
    sheet = sheet0;
    kind = KIND_SCENERY;
    layer = 5;
    width = 70;
    height = 47;
    x = x0;
    y = y0;
    srcX = picture * width;
}

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

CDrop::CDrop(double x0, double y0, int32_t speed0, CSurface* sheet0) : speed(speed0), counter(0) {
    sheet = sheet0;
    kind = KIND_SCENERY;
    layer = 5;
    width = 8;
    height = 8;
    x = x0;
    y = y0;
}

int32_t CDrop::Move() {
    x = x - speed;
    y = y - speed;
    const int32_t n = counter;
    counter = n + 1;
    return n > 15 ? MOVE_REMOVE : MOVE_KEEP;
}
