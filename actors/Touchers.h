// The two actors that test the others for contact: the princess, whom
// coins, arrows and stars must not reach, and the blast the player sets off.
#pragma once

#include <cstdint>

#include "actors/Actor.h"

// The princess on her island. She trembles on the spot and reports any coin,
// arrow or star whose rectangle overlaps hers, struck or not.
class CPrincess : public CActor {
public:
    CPrincess(double x, double y, CSurface* sheet);
    int32_t Move() override;
    int32_t Touch(CActor* other) override;
    RECT GetHitRect() override;

protected:
    int32_t speed;
    int32_t direction;
    int32_t counter;
    RECT hitRect;
};

// A white disc that grows for three ticks at a click and strikes whatever
// active target it covers.
class CBlast : public CActor {
public:
    CBlast(int32_t centreX, int32_t centreY, CSurface* sheet);
    int32_t Draw(CGraphics* graphics) override;
    int32_t Move() override;
    int32_t Touch(CActor* other) override;
    RECT GetHitRect() override;

protected:
    struct SFrame {
        int32_t srcX;
        int32_t srcY;
    };
    static constexpr int32_t kAges = 4;
    static const SFrame frames[kAges];
    static const RECT hitRects[kAges];

    // The age used for the picture and the rectangle; a blast past its last
    // age keeps showing the last one.
    int32_t ShownAge() const;

    int32_t age;
};
