#include "actors/GameRandom.h"

namespace {
// One state for each thread: the game's own thread is the only one that
// plays, and a program that checks replays on several threads at once runs
// each one on a generator of its own.
thread_local uint32_t g_randomState = 1;
}  // namespace

int32_t GameRandom() {
    g_randomState = g_randomState * 214013u + 2531011u;
    return static_cast<int32_t>((g_randomState >> 16) & 0x7fff);
}

uint32_t GameRandomState() {
    return g_randomState;
}

void SetGameRandomState(uint32_t state) {
    g_randomState = state;
}
