// The one random sequence of the whole run. Every caller shares it, so the
// order of the draws is part of how the game behaves. Each thread has a
// sequence of its own: the game plays on one.
#pragma once

#include <cstdint>

// Next value, 0 to 32767. The state starts at 1; only a replay sets it.
int32_t GameRandom();

// The current state, and putting it back: for replays, which record it and
// start from it, and for tests and tools.
uint32_t GameRandomState();
void SetGameRandomState(uint32_t state);
