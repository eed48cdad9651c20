// What the actor tests share: a sheet and a drawing device that record, a
// way to see what one actor draws, and a fixed state of the random sequence.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "actors/Actor.h"
#include "actors/GameRandom.h"
#include "tools/recording/RecordingDevices.h"

// The trace of the sheets the tests hand to actors; no lines are kept.
inline CTrace g_quietTrace(nullptr, false);

// A sheet that holds nothing; actors only pass it on to the device.
class CTestSheet : public CRecordingSurface {
public:
    CTestSheet() : CRecordingSurface(&g_quietTrace, nullptr, 0, nullptr) {}
};

// Draws one actor at a time and hands back the sprites it drew.
class CDrawProbe {
public:
    CDrawProbe() { graphics.keepSprites = true; }
    // The calls of one Draw, forgetting earlier ones.
    std::vector<SSpriteCall> DrawOf(CActor& actor) {
        graphics.sprites.clear();
        actor.Draw(&graphics);
        return graphics.sprites;
    }
    // The one call of a single-sprite Draw.
    SSpriteCall OnlyCall(CActor& actor) {
        std::vector<SSpriteCall> drawn = DrawOf(actor);
        return drawn.size() == 1 ? drawn[0] : SSpriteCall{};
    }

private:
    CTrace trace{nullptr, false};
    CRecordingGraphics graphics{&trace, nullptr};
};

// Puts the shared random sequence at a known state and back afterwards.
class CRandomGuard {
public:
    explicit CRandomGuard(uint32_t state) : saved(GameRandomState()) { SetGameRandomState(state); }
    ~CRandomGuard() { SetGameRandomState(saved); }
    CRandomGuard(const CRandomGuard&) = delete;
    CRandomGuard& operator=(const CRandomGuard&) = delete;

private:
    uint32_t saved;
};

inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

inline std::ostream& operator<<(std::ostream& out, const SSpriteCall& c) {
    return out << "DrawSprite(" << c.sheet << ", " << c.x << ", " << c.y << ", " << c.w << ", "
               << c.h << ", " << c.srcX << ", " << c.srcY << ")";
}
