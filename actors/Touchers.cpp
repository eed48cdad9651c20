#include "actors/Touchers.h"

// --- Princess ------------------------------------------------------------

CPrincess::CPrincess(double x0, double y0, CSurface* sheet0)
    : CActor(sheet0, KIND_PRINCESS, 6, 80, 112, x0, y0),
      speed(1),
      direction(-1),
      counter(0),
      hitRect{15, 30, 65, 112} {}

int32_t CPrincess::Move() {
    const int32_t n = counter;
    counter = n + 1;
    if (n % 5 == 0) {
        x = x + speed * direction;
        direction = -direction;
    }
    return MOVE_KEEP;
}

RECT CPrincess::GetHitRect() {
    return OffsetRect(hitRect, PixelX(), PixelY());
}

int32_t CPrincess::Touch(CActor* other) {
    const int32_t k = other->GetKind();
    if (k != KIND_COIN && k != KIND_ARROW && k != KIND_STAR) {
        return TOUCH_NONE;
    }
    // Whether the thing was already struck does not matter: while it is
    // still there, it hurts.
    return RectsOverlap(GetHitRect(), other->GetHitRect()) ? TOUCH_PRINCESS_HURT : TOUCH_NONE;
}

// --- Blast ---------------------------------------------------------------

const CBlast::SFrame CBlast::frames[CBlast::kAges] = {{0, 0}, {64, 0}, {128, 0}, {128, 0}};

const RECT CBlast::hitRects[CBlast::kAges] = {
    {26, 26, 38, 38}, {17, 17, 47, 47}, {10, 10, 54, 54}, {10, 10, 54, 54}};

CBlast::CBlast(int32_t centreX, int32_t centreY, CSurface* sheet0)
    : CActor(sheet0, KIND_BLAST, 7, 64, 64, centreX - 32, centreY - 32), age(0) {}

int32_t CBlast::ShownAge() const {
    if (age < 0) {
        return 0;
    }
    return age < kAges ? age : kAges - 1;
}

int32_t CBlast::Move() {
    age = age + 1;
    return age > 3 ? MOVE_REMOVE : MOVE_KEEP;
}

int32_t CBlast::Draw(CGraphics* graphics) {
    const SFrame& f = frames[ShownAge()];
    return graphics->DrawSprite(sheet, PixelX(), PixelY(), width, height, f.srcX, f.srcY);
}

RECT CBlast::GetHitRect() {
    return OffsetRect(hitRects[ShownAge()], PixelX(), PixelY());
}

int32_t CBlast::Touch(CActor* other) {
    const int32_t k = other->GetKind();
    if (k < KIND_COIN || k > KIND_STAR) {
        return TOUCH_NONE;
    }
    if (!RectsOverlap(GetHitRect(), other->GetHitRect())) {
        return TOUCH_NONE;
    }
    if (other->IsActive() == 0) {
        return TOUCH_NONE;
    }
    switch (k) {
        case KIND_COIN:
            other->Hit();
            return TOUCH_COIN;
        case KIND_BALLOON:
            other->Hit();
            return TOUCH_BALLOON;
        case KIND_PRINCESS:
            return TOUCH_PRINCESS;
        case KIND_ARROW:
            other->Hit();
            return TOUCH_ARROW;
        case KIND_ARCHER:
            return TOUCH_ARCHER;
        case KIND_BOMB:
            return TOUCH_BOMB;
        case KIND_STAR:
            other->Hit();
            return TOUCH_STAR;
        default:
            return TOUCH_NONE;
    }
}
