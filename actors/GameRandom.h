// The one random sequence of the whole run. Every caller shares it, so the
// order of the draws is part of how the game behaves.
#pragma once

#include <cstdint>

// Next value, 0 to 32767. The state starts at 1 and is never reseeded.
int32_t GameRandom();

// For tests and tools only: the current state, and putting it back.
uint32_t GameRandomState();
void SetGameRandomState(uint32_t state);
