// The base of everything on the playfield, its codes, the contact rule and
// the list the game keeps its actors in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "devices/Graphics.h"

enum {
    KIND_SCENERY = 0,
    KIND_BLAST = 1,
    KIND_COIN = 2,
    KIND_BALLOON = 3,
    KIND_PRINCESS = 4,
    KIND_ARROW = 5,
    KIND_ARCHER = 6,
    KIND_BOMB = 7,
    KIND_STAR = 8,
};

enum {
    MOVE_KEEP = 0,
    MOVE_REMOVE = 1,
    MOVE_SHOOT = 2,
};

enum {
    TOUCH_NONE = 0,
    TOUCH_COIN = 1,
    TOUCH_BALLOON = 2,
    TOUCH_ARROW = 3,
    TOUCH_ARCHER = 4,
    TOUCH_PRINCESS = 5,
    TOUCH_BOMB = 6,
    TOUCH_PRINCESS_HURT = 7,
    TOUCH_STAR = 8,
};

constexpr int32_t kLayerCount = 8;

// Two rectangles overlap only when each reaches strictly past the other;
// shared edges do not count.
bool RectsOverlap(const RECT& a, const RECT& b);

// A rectangle relative to a picture's corner, moved to screen pixels.
RECT OffsetRect(const RECT& r, int32_t dx, int32_t dy);

class CActor {
public:
    CActor();
    // What every kind states of itself: its picture sheet, kind, drawing
    // layer, picture size and starting place.
    CActor(CSurface* sheet, int32_t kind, int32_t layer, int32_t width, int32_t height,
           double x = 0.0, double y = 0.0);
    virtual ~CActor();
    virtual int32_t Draw(CGraphics* graphics);
    virtual int32_t Move();
    virtual int32_t Touch(CActor* other);
    virtual int32_t GetKind();
    virtual RECT GetHitRect();
    virtual int32_t GetLayer();
    virtual void Hit();
    virtual int32_t IsActive();

    // Position in whole pixels, truncated toward zero.
    int32_t PixelX() const { return static_cast<int32_t>(x); }
    int32_t PixelY() const { return static_cast<int32_t>(y); }
    double X() const { return x; }
    double Y() const { return y; }

protected:
    CSurface* sheet;
    int32_t kind;
    int32_t layer;
    int32_t width;
    int32_t height;
    double x;
    double y;
};

// The hit-and-fade cycle of everything a blast can strike: once hit, the
// actor freezes, stays visible through the tick of the hit and two more, and
// is removed by the third Move after the hit.
class CHittable : public CActor {
public:
    CHittable();
    // As CActor's, plus the part of the picture a blast can strike.
    CHittable(CSurface* sheet, int32_t kind, int32_t layer, int32_t width, int32_t height,
              RECT hitRect, double x = 0.0, double y = 0.0);
    RECT GetHitRect() override;
    void Hit() override;
    int32_t IsActive() override;
    bool IsHit() const { return hit; }

protected:
    // While hit, counts the frozen ticks: returns true and sets `result`.
    // Otherwise returns false and the caller moves as usual.
    bool FadeStep(int32_t* result);

    bool hit;
    int32_t hitCounter;
    int32_t active;
    RECT hitRect;
};

// The live actors in drawing order. Owns what it holds.
class CActorList {
public:
    CActorList() = default;
    ~CActorList();
    CActorList(const CActorList&) = delete;
    CActorList& operator=(const CActorList&) = delete;

    // Appends at the end; a null actor is never stored.
    void Append(CActor* actor);
    // Number of entries, empty ones included (during a move pass).
    size_t Size() const { return entries.size(); }
    CActor* At(size_t index) const { return entries[index]; }
    // Destroys the actor at `index` and leaves an empty entry in its place.
    void DestroyAt(size_t index);
    // Removes every empty entry, keeping the order of the rest.
    void Sweep();
    // Reorders stably by layer 0..7; actors on other layers are dropped.
    void RegroupByLayer();
    // Destroys every actor and empties the list.
    void Clear();

private:
    std::vector<CActor*> entries;
    std::vector<CActor*> scratch;
};
