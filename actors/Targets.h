// The things the player shoots at, or must not: coins and bombs thrown from
// the palm's crown, stars falling on the princess, balloons rising from the
// sea. All of them freeze for two ticks when a blast strikes them.
#pragma once

#include <cstdint>

#include "actors/Actor.h"

// Something thrown from the palm's crown on a parabola, in a frame centred on
// (320, 240): screen x = u + 320, screen y = 240 - p, with the height
// p(u) = coefA u² + coefB u + coefC. Coins and bombs differ only in coefA.
class CThrown : public CHittable {
protected:
    // `curve` is coefA; the picture is square, `size` pixels a side.
    CThrown(double curve, CSurface* sheet, int32_t kind, int32_t layer, int32_t size, RECT hitRect);
    // Draws the start x, the step and the top height from GameRandom(), in
    // that order, and fits the arc through the start point.
    void Throw(int32_t speedLevel);
    // One step along the arc; true once it has fallen out of the playfield.
    bool Fly();

    double coefA;
    double coefB;
    double coefC;
    double u;
    double p;
    int32_t du;
};

// A gold coin thrown in a high arc at the princess, tumbling while it is
// right of the screen's middle.
class CCoin : public CThrown {
public:
    CCoin(int32_t speedLevel, CSurface* sheet);
    int32_t Draw(CGraphics* graphics) override;
    int32_t Move() override;

protected:
    struct SFrame {
        int32_t srcX;
        int32_t srcY;
    };
    static constexpr int32_t kFrameCount = 5;
    static const SFrame frames[kFrameCount];

    // hitCounter (inherited) also counts the spin ticks until the coin is struck.
    int32_t frame;
};

// A bomb thrown in a steep arc that falls short of the princess. A blast on
// it ends the game; it is never struck itself.
class CBomb : public CThrown {
public:
    CBomb(int32_t speedLevel, CSurface* sheet);
    int32_t Move() override;
};

// A twinkling star that falls faster and faster onto the princess.
class CStar : public CHittable {
public:
    CStar(double x, double y, double vy, CSurface* sheet);
    int32_t Draw(CGraphics* graphics) override;
    int32_t Move() override;

protected:
    double vy;
    int32_t frame;
};

// A green (picture 0) or pink (picture 1) balloon wobbling up out of the sea.
class CBalloon : public CHittable {
public:
    CBalloon(double x, double y, int32_t vy, int32_t picture, CSurface* sheet);
    int32_t Draw(CGraphics* graphics) override;
    int32_t Move() override;

protected:
    int32_t vy;
    double angle;
    int32_t srcX;
};
