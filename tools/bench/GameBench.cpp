// One play step with its frame on a crowded field, against devices that
// throw every call away, so only the game's own work is measured.
#include <benchmark/benchmark.h>

#include <memory>

#include "actors/Archer.h"
#include "actors/Targets.h"
#include "actors/Touchers.h"
#include "devices/NullDevices.h"
#include "game/Game.h"
#include "tools/recording/GameProbe.h"

namespace {

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
BENCHMARK(BM_PlayStepCrowded)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

}  // namespace
