#include "actors/Archer.h"

#include "actors/GameRandom.h"

namespace {
// Ticks of a game during which the archer only stands there.
constexpr int32_t kQuietTicks = 900;
// The shortest odds a shot can have.
constexpr int32_t kFewestOdds = 40;
}  // namespace

// --- Archer --------------------------------------------------------------

int32_t CArcher::fireOdds = 300;

// One shot: idle, idle, fitting, drawing, aiming, aiming, released, released.
const CArcher::SFrame CArcher::frames[CArcher::kSteps] = {{0, 0},   {0, 0},   {70, 0},  {140, 0},
                                                          {210, 0}, {210, 0}, {280, 0}, {280, 0}};

CArcher::CArcher(int32_t x0, int32_t y0, CSurface* sheet0)
    : CActor(sheet0, KIND_ARCHER, 6, 70, 91, x0, y0),
      counter(0),
      firing(false),
      step(0),
      hitRect{20, 0, 60, 91} {}

int32_t CArcher::Move() {
    counter = counter + 1;
    const int32_t n = counter;
    if (n > kQuietTicks) {
        if (n % 600 == 0) {
            fireOdds = kFewestOdds;
        }
        if (n % 3 == 0) {
            fireOdds = fireOdds - 1;
            if (fireOdds < kFewestOdds) {
                fireOdds = kFewestOdds;
            }
        }
        // Drawn on every tick, also while a shot is already under way.
        const int32_t r = GameRandom();
        if (r % fireOdds == 0) {
            firing = true;
        }
    }
    if (firing && n % 3 == 0) {
        step = step + 1;
        if (step == 6) {
            return MOVE_SHOOT;
        }
        if (step > 7) {
            step = 0;
            firing = false;
        }
    }
    return MOVE_KEEP;
}

int32_t CArcher::Draw(CGraphics* graphics) {
    const SFrame& f = frames[step];
    return graphics->DrawSprite(sheet, PixelX(), PixelY(), width, height, f.srcX, f.srcY);
}

RECT CArcher::GetHitRect() {
    return OffsetRect(hitRect, PixelX(), PixelY());
}

// --- Arrow ---------------------------------------------------------------

// Its hit rectangle is the shaft's three middle rows.
CArrow::CArrow(double x0, double y0, int32_t vx0, CSurface* sheet0)
    : CHittable(sheet0, KIND_ARROW, 3, 40, 7, RECT{0, 2, 40, 5}, x0, y0), vx(vx0) {}

int32_t CArrow::Move() {
    int32_t result = MOVE_KEEP;
    if (FadeStep(&result)) {
        return result;
    }
    x = x + vx;
    return x < 100.0 ? MOVE_REMOVE : MOVE_KEEP;
}
