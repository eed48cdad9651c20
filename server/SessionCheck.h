// What the service needs to know of a sent session, read by replaying it
// through the game's core: the seam between the service and the replay
// checker, so that tests and the fuzzer can put a checker of their own in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct SCheckedGame {
    int32_t score = 0;
    bool named = false;  // the name entry opened and stored `name`
    std::string name;    // UTF-8
    int64_t endTick = 0;
};

struct SCheckedSession {
    uint32_t seed = 1;
    int64_t ticks = 0;  // every tick of the session, 40 ms each
    std::vector<SCheckedGame> games;
};

// False, with a short reason in English, when the replay does not run or
// does not reach what it records.
using SessionChecker =
    std::function<bool(std::string_view replay, SCheckedSession* session, std::string* error)>;

// The game's own checker.
bool CheckSession(std::string_view replay, SCheckedSession* session, std::string* error);
