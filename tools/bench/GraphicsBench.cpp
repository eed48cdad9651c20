// How fast frames are composed with the real drawing device: a crowded play
// frame drawn by the game, and the keyed copy of one palm picture, ours
// against SDL2's run-length-encoded colour-keyed blit on the same pixels.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "actors/Archer.h"
#include "actors/Scenery.h"
#include "actors/Targets.h"
#include "actors/Touchers.h"
#include "devices/NullDevices.h"
#include "game/Game.h"
#include "graphics/MemoryGraphics.h"
#include "graphics/MemorySurface.h"
#include "tools/recording/GameProbe.h"

namespace {

// The silent platform with the real drawing device and the real pictures.
class CDrawingPlatform : public CNullPlatform {
public:
    CGraphics* CreateGraphics() override { return new CMemoryGraphics(nullptr); }
};

// A game in play with the opening scene and 100 things in flight over it.
struct CrowdedGame {
    CDrawingPlatform platform;
    CGame game{&platform};
    bool ready = false;

    CrowdedGame() {
        if (!game.Init(nullptr, 640, 480)) {
            return;
        }
        game.OnClick(320, 240);
        CActorList& actors = CGameProbe::Actors(game);
        for (int i = 0; i < 100; ++i) {
            const double x = 60 + (i * 37) % 560;
            const double y = 20 + (i * 53) % 380;
            switch (i % 6) {
                case 0:
                    actors.Append(new CCoin(3, CGameProbe::Sheet(game, 4)));
                    break;
                case 1:
                    actors.Append(new CBomb(3, CGameProbe::Sheet(game, 17)));
                    break;
                case 2:
                    actors.Append(new CStar(x, y, 2.0, CGameProbe::Sheet(game, 18)));
                    break;
                case 3:
                    actors.Append(new CBalloon(x, y, -1, i % 2, CGameProbe::Sheet(game, 8)));
                    break;
                case 4:
                    actors.Append(new CArrow(x, y, -2, CGameProbe::Sheet(game, 14)));
                    break;
                default:
                    actors.Append(new CDrop(x, y, 1, CGameProbe::Sheet(game, 12)));
                    break;
            }
        }
        ready = true;
    }
};

CrowdedGame& TheGame() {
    static CrowdedGame crowded;
    return crowded;
}

// Sky, all the scenery, 100 flying things and the score, then Present.
void BM_RenderCrowded(benchmark::State& state) {
    CrowdedGame& crowded = TheGame();
    if (!crowded.ready) {
        state.SkipWithError("the game could not be set up");
        return;
    }
    for (auto _ : state) {
        CGameProbe::Render(crowded.game);
    }
}

// The palm sheet of the game, loaded as the game loads it.
struct Palm {
    CMemoryGraphics graphics{nullptr};
    std::unique_ptr<CMemorySurface> sheet;
    Palm() {
        graphics.Init(nullptr, 640, 480);
        const SheetInfo& info = kSheetTable[0];
        sheet.reset(static_cast<CMemorySurface*>(
            graphics.CreateSurface(info.width, info.height, info.flags)));
        sheet->LoadBitmapResource(2000, 0, 0, info.width, info.height, 0, 0, info.key);
    }
};

Palm& ThePalm() {
    static Palm palm;
    return palm;
}

void BM_PalmKeyedOurs(benchmark::State& state) {
    Palm& palm = ThePalm();
    for (auto _ : state) {
        palm.graphics.DrawSprite(palm.sheet.get(), 180, 60, 280, 380, 0, 0);
        benchmark::DoNotOptimize(palm.graphics.Pixels());
    }
    state.SetBytesProcessed(state.iterations() * 280 * 380 * 4);
}

// The palm sheet's pixels in an SDL surface keyed on the same value, and a
// 640 x 480 frame of the same format.
struct SdlPalm {
    SDL_Surface* sheet = nullptr;
    SDL_Surface* frame = nullptr;

    explicit SdlPalm(bool rle) {
        CMemorySurface* palm = ThePalm().sheet.get();
        sheet = SDL_CreateRGBSurfaceWithFormat(0, 840, 380, 32, SDL_PIXELFORMAT_RGB888);
        frame = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 32, SDL_PIXELFORMAT_RGB888);
        for (int y = 0; y < 380; ++y) {
            std::memcpy(static_cast<uint8_t*>(sheet->pixels) + y * sheet->pitch,
                        palm->Pixels() + y * 840, 840 * 4);
        }
        SDL_SetColorKey(sheet, SDL_TRUE, palm->ColorKey());
        SDL_SetSurfaceRLE(sheet, rle ? 1 : 0);
    }
    ~SdlPalm() {
        SDL_FreeSurface(sheet);
        SDL_FreeSurface(frame);
    }
    void Draw() {
        SDL_Rect from{0, 0, 280, 380};
        SDL_Rect to{180, 60, 280, 380};
        SDL_BlitSurface(sheet, &from, frame, &to);
    }
};

void BM_PalmKeyedSdl(benchmark::State& state) {
    SdlPalm palm(state.range(0) != 0);
    palm.Draw();  // lets SDL encode its runs before timing
    for (auto _ : state) {
        palm.Draw();
        benchmark::DoNotOptimize(palm.frame->pixels);
    }
    state.SetBytesProcessed(state.iterations() * 280 * 380 * 4);
}

BENCHMARK(BM_RenderCrowded)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PalmKeyedOurs)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PalmKeyedSdl)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PalmKeyedSdl)
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

}  // namespace
