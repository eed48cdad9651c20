// Checks a replay by running it through the game headless: what the score
// service links. Safe on several threads at once: a check reads no file,
// makes no device and shares nothing with another check (the generator's
// state is each thread's own, and is put back afterwards).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SReplayGame {
    int32_t score =
        0;  // the score the game ended with, as replayed (equal to the file's `score` line)
    bool named = false;  // the name entry opened and OK stored a name
    std::string name;  // UTF-8: the first word typed, as the score table keeps it; empty when none
                       // was typed
    int64_t endTick = 0;  // the session's tick count when the game ended
};

struct SReplaySummary {
    uint32_t seed = 1;                        // the start state
    std::string gameVersion, form, recorded;  // from the first line
    int64_t ticks = 0;                        // every tick in the file (play time = ticks x 40 ms)
    std::vector<SReplayGame> games;           // every finished game, in order
};

// Reads a replay and runs it through the core headless. False, with a
// short English reason, when it is malformed, over a limit, or records a
// score that its game does not reach.
bool CheckReplay(std::string_view text, SReplaySummary* summary, std::string* error);
