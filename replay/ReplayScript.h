// A replay, read: its first line (what the file is, the format's version,
// the game's version, the form, the start state, when it was recorded) and
// its commands, which are the replay tool's script. A script without the
// first line is read as the tool has always read one; a replay, and any
// script read with the limits, must keep within the limits below.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scores/ScoreTable.h"

// The word that starts a replay's first line, and the format's version.
constexpr const char* kReplayMagic = "#miruto-nana-replay";
constexpr int32_t kReplayVersion = 1;

// What a reader takes at most.
constexpr size_t kReplayMaxBytes = size_t{1} << 20;
constexpr size_t kReplayMaxLineBytes = 1024;
constexpr int64_t kReplayMaxTicks = 180000;  // two hours of 40 ms ticks
// Clicks and Enter presses between two ticks.
constexpr int32_t kReplayMaxInputsPerTick = 64;
// Click coordinates, either way.
constexpr int64_t kReplayMaxCoordinate = 65535;
// Header values (the game's version, the form, the time).
constexpr size_t kReplayMaxFieldBytes = 64;

enum ReplayCommandKind {
    REPLAY_TICK,
    REPLAY_CLICK,
    REPLAY_ENTER,
    REPLAY_PAINT,
    REPLAY_NAME,
    REPLAY_CLOSE,
    REPLAY_SEED,
    REPLAY_SCORE,
    REPLAY_TABLE,
    REPLAY_END,
};

// The score table a game read at a game over.
struct SReplayTable {
    // False: the scores could not be kept this run.
    bool kept = true;
    // False: the earned place could not be handed to the name entry.
    bool entry = true;
    ScoreEntry rows[kScoreRows];
};

struct SReplayCommand {
    ReplayCommandKind kind = REPLAY_TICK;
    int64_t a = 0;  // ticks, x, seed or score
    int64_t b = 0;  // y
    int32_t line = 0;
    std::string text;         // the name typed (UTF-8)
    int32_t tableIndex = -1;  // into SReplayScript::tables
};

struct SReplayHeader {
    bool present = false;
    int32_t version = 0;
    uint32_t seed = 1;
    std::string gameVersion;
    std::string form;
    std::string recorded;
};

struct SReplayScript {
    SReplayHeader header;
    std::vector<SReplayCommand> commands;
    std::vector<SReplayTable> tables;
    int64_t ticks = 0;
};

// Reads a script or a replay. With `limits` set, or when the text starts
// with a replay's first line, the limits above hold as well, and a replay
// must end with its `end` line. False, with a short English reason that
// names the line, when the text is not one.
bool ReadReplayScript(std::string_view text, bool limits, SReplayScript* script,
                      std::string* error);

// A replay's first line, without its line end.
std::string ReplayHeaderLine(const SReplayHeader& header);

// The body line of a table as a recorder writes it, without its line end.
std::string ReplayTableLine(const SReplayTable& table);

// A name as a replay holds it: UTF-8, with every control character (and
// every byte that does not convert) made a space or "?".
std::string ReplayNameText(const std::string& cp932);

// "YYYY-MM-DDTHH:MM:SSZ" for seconds since 1970 (UTC).
std::string ReplayTimeText(int64_t unixSeconds);
