#include "actors/GameRandom.h"

namespace {
uint32_t g_randomState = 1;
}

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
