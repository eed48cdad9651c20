// Keeps the session's replay as the last session's file beside the scores
// ("last.replay", scores/KeptReplays.h), so that a crash loses little: after
// each game over step (with the name typed), after every minute of play,
// and when the program ends. A run that has started no game keeps nothing,
// so that opening the program only to watch a replay leaves the last
// session's file as it was.
#pragma once

#include <cstdint>

#include "replay/RecordedSession.h"

// Said once a run when the file cannot be written.
constexpr const char* kLastSessionNotKeptText = "前回のプレイのリプレイを保存できませんでした";

class CLastSessionKeeper {
public:
    // Ticks of play between two writes: a minute.
    static constexpr int32_t kPlayTicksBetweenWrites = 1500;

    explicit CLastSessionKeeper(const CRecordedSession* session) : session(session) {}

    // After each tick of the session. True when a write has just failed for
    // the first time this run (the form says so).
    bool AfterTick();
    // When the program ends: the file as the session leaves it. False when
    // it could not be written.
    bool Finish();

private:
    bool Keep();

    const CRecordedSession* session;
    bool started = false;
    bool failed = false;
    int32_t lastState = 0;
    int32_t playTicks = 0;
};
