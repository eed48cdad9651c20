// The monkey archer on the right and the arrows he shoots at the princess.
#pragma once

#include <cstdint>

#include "actors/Actor.h"

// Stands still for the first 900 ticks of a game, then draws his bow at
// random moments, more and more often. Each shot asks the game for an arrow
// through the MOVE_SHOOT result. He can be neither struck nor harmed.
class CArcher : public CActor {
public:
    CArcher(int32_t x, int32_t y, CSurface* sheet);
    int32_t Draw(CGraphics* graphics) override;
    int32_t Move() override;
    RECT GetHitRect() override;

    // One chance in fireOdds per tick that a shot begins. Shared by every
    // archer of the whole run: 300 at start, never reset by a new game.
    static int32_t fireOdds;

protected:
    struct SFrame {
        int32_t srcX;
        int32_t srcY;
    };
    static constexpr int32_t kSteps = 8;
    static const SFrame frames[kSteps];

    int32_t counter;
    bool firing;
    int32_t step;
    RECT hitRect;
};

// An arrow flying left at the princess.
class CArrow : public CHittable {
public:
    CArrow(double x, double y, int32_t vx, CSurface* sheet);
    int32_t Move() override;

protected:
    int32_t vx;
};
