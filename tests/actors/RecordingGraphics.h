// A drawing device that only notes the sprites it is asked to draw.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "actors/Actor.h"
#include "devices/Graphics.h"
#include "game/GameRandom.h"

// A sheet that holds nothing; actors only pass it on to the device.
class CBlankSurface : public CSurface {
public:
    bool LoadBitmapResource(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                            COLORREF) override {
        return false;
    }
    bool LoadImage(const char*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                   COLORREF) override {
        return false;
    }
    int32_t Blit(CSurface*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {
        return 0;
    }
    int32_t SetColorKey(COLORREF) override { return 1; }
    int32_t ClearToColorKey(int32_t, int32_t, int32_t, int32_t) override { return 1; }
    int32_t FillRect(int32_t, int32_t, int32_t, int32_t, COLORREF) override { return 1; }
    uint32_t MatchColor(COLORREF) override { return 0; }
};

struct SSpriteCall {
    CSurface* sheet;
    int32_t x;
    int32_t y;
    int32_t w;
    int32_t h;
    int32_t srcX;
    int32_t srcY;

    bool operator==(const SSpriteCall&) const = default;
};

class CRecordingGraphics : public CGraphics {
public:
    HRESULT Init(HWND, int32_t, int32_t) override { return 0; }
    void Release() override {}
    int32_t DrawSprite(CSurface* sheet, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override {
        calls.push_back(SSpriteCall{sheet, x, y, w, h, srcX, srcY});
        return 1;
    }
    HRESULT FillRect(int32_t, int32_t, int32_t, int32_t, uint32_t) override { return 0; }
    HRESULT Present(HWND) override { return 0; }
    CSurface* CreateSurface(int32_t, int32_t, uint32_t) override { return nullptr; }
    HRESULT GetDC(HDC*) override { return 0; }
    HRESULT ReleaseDC(HDC) override { return 0; }

    // The calls of one Draw, forgetting earlier ones.
    std::vector<SSpriteCall> DrawOf(CActor& actor) {
        calls.clear();
        actor.Draw(this);
        return calls;
    }
    // The one call of a single-sprite Draw.
    SSpriteCall OnlyCall(CActor& actor) {
        std::vector<SSpriteCall> drawn = DrawOf(actor);
        return drawn.size() == 1 ? drawn[0] : SSpriteCall{};
    }

    std::vector<SSpriteCall> calls;
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
