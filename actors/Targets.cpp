#include "actors/Targets.h"

#include <cmath>

#include "actors/GameRandom.h"

namespace {
// Where the parabola's frame has its origin on the screen.
constexpr double kOriginX = 320.0;
constexpr double kOriginY = 240.0;
// Every throw starts at this height, at the palm's crown.
constexpr double kStartHeight = 120.0;
// Below this screen y a thrown thing has left the playfield.
constexpr double kThrowEndY = 380.0;
}  // namespace

// --- Thrown --------------------------------------------------------------

CThrown::CThrown(double curve, CSurface* sheet, int32_t kind, int32_t layer, int32_t size,
                 RECT hitRect)
    : CHittable(sheet, kind, layer, size, size, hitRect),
      coefA(curve),
      coefB(0.0),
      coefC(0.0),
      u(0.0),
      p(0.0),
      du(0) {}

void CThrown::Throw(int32_t speedLevel) {
    const int32_t x0 = GameRandom() % 50 + 480;
    x = x0;
    u = x0 - 320;
    y = kStartHeight;
    p = kStartHeight;
    du = -(speedLevel + GameRandom() % 2);
    coefC = GameRandom() % 41 + 200;
    // The arc passes through the start point and through height coefC at
    // screen x 320, close to its top.
    coefB = (p - coefA * u * u - coefC) / u;
}

bool CThrown::Fly() {
    u = u + du;
    p = (coefA * u + coefB) * u + coefC;
    x = u + kOriginX;
    y = kOriginY - p;
    return y > kThrowEndY;
}

// --- Coin ----------------------------------------------------------------

const CCoin::SFrame CCoin::frames[CCoin::kFrameCount] = {
    {0, 0}, {50, 0}, {100, 0}, {50, 0}, {0, 0}};

CCoin::CCoin(int32_t speedLevel, CSurface* sheet0)
    : CThrown(-0.004, sheet0, KIND_COIN, 2, 50, RECT{10, 10, 40, 40}), frame(0) {
    Throw(speedLevel);
}

int32_t CCoin::Move() {
    int32_t result = MOVE_KEEP;
    if (FadeStep(&result)) {
        return result;
    }
    const bool gone = Fly();
    // It tumbles, one picture every second tick, only while right of the
    // middle, and keeps its last picture from there on.
    if (x > 320.0) {
        hitCounter = hitCounter + 1;
        if (hitCounter % 2 == 0) {
            frame = (frame + 1) % kFrameCount;
        }
    }
    return gone ? MOVE_REMOVE : MOVE_KEEP;
}

int32_t CCoin::Draw(CGraphics* graphics) {
    const SFrame& f = frames[frame];
    return graphics->DrawSprite(sheet, PixelX(), PixelY(), width, height, f.srcX, f.srcY);
}

// --- Bomb ----------------------------------------------------------------

// Its hit rectangle is a small point low in the bomb's middle.
CBomb::CBomb(int32_t speedLevel, CSurface* sheet0)
    : CThrown(-0.012, sheet0, KIND_BOMB, 4, 64, RECT{30, 38, 34, 42}) {
    Throw(speedLevel);
}

int32_t CBomb::Move() {
    int32_t result = MOVE_KEEP;
    if (FadeStep(&result)) {
        return result;
    }
    return Fly() ? MOVE_REMOVE : MOVE_KEEP;
}

// --- Star ----------------------------------------------------------------

CStar::CStar(double x0, double y0, double vy0, CSurface* sheet0)
    : CHittable(sheet0, KIND_STAR, 3, 64, 64, RECT{15, 15, 49, 49}, x0, y0), vy(vy0), frame(0) {}

int32_t CStar::Move() {
    int32_t result = MOVE_KEEP;
    if (FadeStep(&result)) {
        return result;
    }
    y = y + vy;
    frame = (frame + 1) % 4;
    // The new speed applies from the next tick.
    vy = vy + 0.1;
    return y > 400.0 ? MOVE_REMOVE : MOVE_KEEP;
}

int32_t CStar::Draw(CGraphics* graphics) {
    return graphics->DrawSprite(sheet, PixelX(), PixelY(), width, height, frame * width, 0);
}

// --- Balloon -------------------------------------------------------------

// Its hit rectangle is the balloon without its string.
CBalloon::CBalloon(double x0, double y0, int32_t vy0, int32_t picture, CSurface* sheet0)
    : CHittable(sheet0, KIND_BALLOON, 3, 48, 91, RECT{0, 0, 48, 61}, x0, y0),
      vy(vy0),
      angle(0.0),
      srcX(picture * width) {}

int32_t CBalloon::Move() {
    int32_t result = MOVE_KEEP;
    if (FadeStep(&result)) {
        return result;
    }
    y = y + vy;
    angle = angle + 0.4;
    // The sideways swing is as wide as the rising speed.
    x = x + vy * std::sin(angle);
    return y < -height ? MOVE_REMOVE : MOVE_KEEP;
}

int32_t CBalloon::Draw(CGraphics* graphics) {
    return graphics->DrawSprite(sheet, PixelX(), PixelY(), width, height, srcX, 0);
}
