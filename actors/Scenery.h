// The scenery of the playfield: clouds, sea, palm, island, sun, the
// princess's speech bubble and the drops that fly off her. None of them can be
// touched or struck; only a drop ends by itself.
#pragma once

#include <cstdint>

#include "actors/Actor.h"

// A cloud drifting left; it comes back in from the right edge.
class CCloud : public CActor {
public:
    CCloud(double x, double y, double vx, CSurface* sheet);
    int32_t Move() override;

protected:
    double vx;
};

// The band of sea, swaying left and right and drawn wrapped around.
class CSea : public CActor {
public:
    CSea(double x, double y, CSurface* sheet);
    int32_t Draw(CGraphics* graphics) override;
    int32_t Move() override;

protected:
    double speed;
    int32_t direction;
};

// The palm tree on its islet, bending faster as the game goes on.
class CPalm : public CActor {
public:
    CPalm(double x, double y, CSurface* sheet);
    int32_t Draw(CGraphics* graphics) override;
    int32_t Move() override;

protected:
    int32_t frame;
    int32_t counter;
    int32_t period;
};

// The island the princess stands on; it never moves.
class CIsland : public CActor {
public:
    CIsland(double x, double y, CSurface* sheet);
};

// The flickering sun in the top-left corner.
class CSun : public CActor {
public:
    CSun(double x, double y, CSurface* sheet);
    int32_t Draw(CGraphics* graphics) override;
    int32_t Move() override;

protected:
    int32_t frame;
    int32_t counter;
};

// The princess's speech bubble: a shriek (picture 0) or a cry for help (1).
class CShout : public CActor {
public:
    CShout(double x, double y, int32_t picture, CSurface* sheet);
    int32_t Draw(CGraphics* graphics) override;
    int32_t Move() override;

protected:
    int32_t counter;
    int32_t srcX;
};

// A little drop flying up and to the left off the princess.
class CDrop : public CActor {
public:
    CDrop(double x, double y, int32_t speed, CSurface* sheet);
    int32_t Move() override;

protected:
    int32_t speed;
    int32_t counter;
};
