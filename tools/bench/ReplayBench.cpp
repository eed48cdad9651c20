// What recording costs a tick, and how fast a replay is checked: the game on
// devices that throw every call away and a table in memory, so only the
// game's own work and the recorder's are measured.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "actors/GameRandom.h"
#include "devices/NullDevices.h"
#include "game/Game.h"
#include "replay/RecordedSession.h"
#include "replay/ReplayCheck.h"

namespace {

// A player who clicks once a second, somewhere new each time: games start,
// score, end and start again.
template <typename Session>
void PlayTick(Session& session, int64_t tick) {
    if (tick % 25 == 0) {
        const int32_t k = static_cast<int32_t>(tick / 25);
        session.OnClick(60 + (k * 137) % 520, 60 + (k * 71) % 360);
    }
    session.Tick();
}

void BM_TickWithoutRecording(benchmark::State& state) {
    CNullPlatform platform;
    CMemoryScoreKeeper table;
    CGame game(&platform);
    game.SetScoreKeeper(&table);
    game.Init(nullptr, 640, 480);
    int64_t tick = 0;
    for (auto _ : state) {
        PlayTick(game, ++tick);
    }
}
BENCHMARK(BM_TickWithoutRecording)->Repetitions(7)->ReportAggregatesOnly(true);

void BM_TickWithRecording(benchmark::State& state) {
    CNullPlatform platform;
    CMemoryScoreKeeper table;
    CRecordedSession session(&platform, "replay", &table);
    session.Init(nullptr, 640, 480);
    int64_t tick = 0;
    for (auto _ : state) {
        PlayTick(session, ++tick);
    }
}
BENCHMARK(BM_TickWithRecording)->Repetitions(7)->ReportAggregatesOnly(true);

// Three minutes of play from the program's start state, recorded.
std::string ThreeMinutes() {
    SetGameRandomState(1);
    CNullPlatform platform;
    CMemoryScoreKeeper table;
    CRecordedSession session(&platform, "replay", &table);
    session.Init(nullptr, 640, 480);
    for (int64_t tick = 1; tick <= 3 * 60 * 25; ++tick) {
        PlayTick(session, tick);
    }
    return session.Text();
}

void BM_CheckReplay(benchmark::State& state) {
    const std::string text = ThreeMinutes();
    SReplaySummary summary;
    std::string error;
    for (auto _ : state) {
        if (!CheckReplay(text, &summary, &error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    // Seconds of play checked per second.
    state.counters["play_rate"] =
        benchmark::Counter(static_cast<double>(summary.ticks) * 0.04 * state.iterations(),
                           benchmark::Counter::kIsRate);
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_CheckReplay)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

}  // namespace
