// One play step with its frame on a crowded field, against devices that
// throw every call away, so only the game's own work is measured.
#include <benchmark/benchmark.h>

#include <memory>

#include "actors/Archer.h"
#include "actors/Targets.h"
#include "actors/Touchers.h"
#include "game/Game.h"

class CGameProbe {
public:
    static CActorList& Actors(CGame& game) { return game.actors; }
    static CSurface* Sheet(CGame& game, int index) { return game.sheets[index]; }
    static void PlayStep(CGame& game) { game.PlayStep(); }
};

namespace {

class CNullSurface : public CSurface {
public:
    bool LoadBitmapResource(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                            COLORREF) override {
        return true;
    }
    bool LoadImage(const char*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                   COLORREF) override {
        return true;
    }
    int32_t Blit(CSurface*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {
        return 1;
    }
    int32_t SetColorKey(COLORREF) override { return 1; }
    int32_t ClearToColorKey(int32_t, int32_t, int32_t, int32_t) override { return 1; }
    int32_t FillRect(int32_t, int32_t, int32_t, int32_t, COLORREF) override { return 1; }
    uint32_t MatchColor(COLORREF color) override { return color; }
};

class CNullGraphics : public CGraphics {
public:
    HRESULT Init(HWND, int32_t, int32_t) override { return 0; }
    void Release() override {}
    int32_t DrawSprite(CSurface* sheet, int32_t, int32_t, int32_t w, int32_t h, int32_t,
                       int32_t) override {
        return sheet != nullptr && w > 0 && h > 0;
    }
    HRESULT FillRect(int32_t, int32_t, int32_t, int32_t, uint32_t) override { return 0; }
    HRESULT Present(HWND) override { return 0; }
    CSurface* CreateSurface(int32_t, int32_t, uint32_t) override { return new CNullSurface; }
    HRESULT GetDC(HDC*) override { return kStatusFail; }
    HRESULT ReleaseDC(HDC) override { return kStatusFail; }
};

class CNullSound : public CSound {
public:
    bool Init(HWND) override { return true; }
    bool LoadWave(const char*, int32_t) override { return true; }
    HRESULT Play(int32_t) override { return 0; }
    HRESULT Stop(int32_t) override { return 0; }
    HRESULT SetVolume(int32_t) override { return 0; }
    void SetSlotCount(int32_t) override {}
    void* GetDirectSound() override { return this; }
};

class CNullMusic : public CMusic {
public:
    bool Load(const char*, int32_t) override { return true; }
    void SetSlotCount(int32_t) override {}
    void Play(int32_t) override {}
    void Noop(int32_t) override {}
    HRESULT Stop(int32_t) override { return 0; }
    void SetLoop(int32_t, int32_t, int32_t) override {}
    bool Init(HWND, void*) override { return true; }
};

class CNullPlatform : public CPlatform {
public:
    CGraphics* CreateGraphics() override { return new CNullGraphics; }
    CSound* CreateSound() override { return new CNullSound; }
    CMusic* CreateMusic() override { return new CNullMusic; }
    void Sleep(uint32_t) override {}
    int32_t RunGameOverDialog(HWND) override { return 0; }
};

constexpr size_t kFlying = 200;
constexpr size_t kScene = 9;

// Tops the field up to the opening scene plus 200 things in flight, none of
// which can reach the princess, and a few blasts that test them all.
void Crowd(CGame& game) {
    CActorList& actors = CGameProbe::Actors(game);
    size_t i = 0;
    while (actors.Size() < kScene + kFlying) {
        switch (i++ % 5) {
            case 0:
                actors.Append(
                    new CBalloon(150 + (i * 7) % 400, 300, -1, i % 2, CGameProbe::Sheet(game, 8)));
                break;
            case 1:
                actors.Append(new CBomb(3, CGameProbe::Sheet(game, 17)));
                break;
            case 2:
                actors.Append(
                    new CStar(250 + (i * 13) % 350, -64, 1.0, CGameProbe::Sheet(game, 18)));
                break;
            case 3:
                actors.Append(
                    new CArrow(300 + (i * 11) % 300, 100, -1, CGameProbe::Sheet(game, 14)));
                break;
            default:
                actors.Append(new CBlast(600, 460, CGameProbe::Sheet(game, 5)));
                break;
        }
    }
}

void BM_PlayStepCrowded(benchmark::State& state) {
    CNullPlatform platform;
    std::unique_ptr<CGame> game;
    for (auto _ : state) {
        state.PauseTiming();
        // The spawner's own coins end a game now and then: start another.
        if (!game || game->State() != STATE_PLAY) {
            game = std::make_unique<CGame>(&platform);
            game->Init(nullptr, 640, 480);
            game->OnClick(320, 240);  // the opening scene, then play
        }
        Crowd(*game);
        state.ResumeTiming();
        CGameProbe::PlayStep(*game);
    }
}
BENCHMARK(BM_PlayStepCrowded)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
