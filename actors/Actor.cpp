#include "actors/Actor.h"

bool RectsOverlap(const RECT& a, const RECT& b) {
    return b.right > a.left && a.right > b.left && b.bottom > a.top && a.bottom > b.top;
}

RECT OffsetRect(const RECT& r, int32_t dx, int32_t dy) {
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

CActor::CActor()
    : sheet(nullptr), kind(KIND_SCENERY), layer(0), width(0), height(0), x(0.0), y(0.0) {}

CActor::CActor(CSurface* sheet, int32_t kind, int32_t layer, int32_t width, int32_t height,
               double x, double y)
    : sheet(sheet), kind(kind), layer(layer), width(width), height(height), x(x), y(y) {}

CActor::~CActor() {}

int32_t CActor::Draw(CGraphics* graphics) {
    return graphics->DrawSprite(sheet, PixelX(), PixelY(), width, height, 0, 0);
}

int32_t CActor::Move() {
    return MOVE_KEEP;
}

int32_t CActor::Touch(CActor*) {
    return TOUCH_NONE;
}

int32_t CActor::GetKind() {
    return kind;
}

RECT CActor::GetHitRect() {
    return RECT{0, 0, 0, 0};
}

int32_t CActor::GetLayer() {
    return layer;
}

void CActor::Hit() {}

int32_t CActor::IsActive() {
    return 1;
}

CHittable::CHittable() : hit(false), hitCounter(0), active(1), hitRect{0, 0, 0, 0} {}

CHittable::CHittable(CSurface* sheet, int32_t kind, int32_t layer, int32_t width, int32_t height,
                     RECT hitRect, double x, double y)
    : CActor(sheet, kind, layer, width, height, x, y),
      hit(false),
      hitCounter(0),
      active(1),
      hitRect(hitRect) {}

RECT CHittable::GetHitRect() {
    return OffsetRect(hitRect, PixelX(), PixelY());
}

void CHittable::Hit() {
    if (hit) {
        return;
    }
    hitCounter = 0;
    active = 0;
    hit = true;
}

int32_t CHittable::IsActive() {
    return active;
}

bool CHittable::FadeStep(int32_t* result) {
    if (!hit) {
        return false;
    }
    const int32_t n = hitCounter;
    hitCounter = n + 1;
    *result = n > 1 ? MOVE_REMOVE : MOVE_KEEP;
    return true;
}

CActorList::~CActorList() {
    Clear();
}

void CActorList::Append(CActor* actor) {
    if (actor != nullptr) {
        entries.push_back(actor);
    }
}

void CActorList::DestroyAt(size_t index) {
    delete entries[index];
    entries[index] = nullptr;
}

void CActorList::Sweep() {
    size_t kept = 0;
    for (CActor* actor : entries) {
        if (actor != nullptr) {
            entries[kept++] = actor;
        }
    }
    entries.resize(kept);
}

void CActorList::RegroupByLayer() {
    scratch.clear();
    for (int32_t layer = 0; layer < kLayerCount; ++layer) {
        for (CActor* actor : entries) {
            if (actor != nullptr && actor->GetLayer() == layer) {
                scratch.push_back(actor);
            }
        }
    }
    // An actor outside the eight layers cannot be kept in the drawing order;
    // it is destroyed rather than lost.
    if (scratch.size() != entries.size()) {
        for (CActor* actor : entries) {
            if (actor != nullptr) {
                const int32_t layer = actor->GetLayer();
                if (layer < 0 || layer >= kLayerCount) {
                    delete actor;
                }
            }
        }
    }
    entries.swap(scratch);
    scratch.clear();
}

void CActorList::Clear() {
    for (CActor* actor : entries) {
        delete actor;
    }
    entries.clear();
}
