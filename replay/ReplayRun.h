// Runs a read script or replay on a game: ticks, clicks, Enter and paints
// go to the game, the name entry's answers to whoever answers it, and each
// `table` line to the game's next game over. Every game's end is noted, and
// each `score` line checked against it. A replay (a script with the first
// line) is held to its order too: each game's end followed by its score,
// each game over preceded by its table, every answer used by the name entry
// of the next tick.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "game/Game.h"
#include "replay/ReplayCheck.h"
#include "replay/ReplayScript.h"
#include "scores/ScoreKeeper.h"

class CRecordedSession;

// An answer of the name entry: OK with the name typed (UTF-8), or closed.
struct SReplayAnswer {
    bool ok = false;
    std::string name;
};

// What a run needs from around it.
class CReplayHost {
public:
    virtual ~CReplayHost() = default;
    // Before the game's tick numbered `tick` (1 the first) runs.
    virtual void BeforeTick(int64_t) {}
    // Before a click, Enter or paint goes to the game.
    virtual void BeforeInput(const SReplayCommand&) {}
    // Queues an answer for the name entry, and says how many wait.
    virtual void QueueAnswer(const SReplayAnswer& answer) = 0;
    virtual size_t PendingAnswers() const = 0;
};

// The table of a `table` line in place of the one the game would read, for
// its next game over; otherwise everything goes to the keeper beneath.
class CReplayScoreKeeper : public CScoreKeeper {
public:
    explicit CReplayScoreKeeper(CScoreKeeper* inner) : inner(inner) {}
    // The table the next game over reads; null for the keeper's own.
    void Override(const SReplayTable* table) { override = table; }

    ScoreFileState Load(ScoreEntry* table) override;
    bool WritePlace(int32_t place) override;
    bool ReadName(std::string* cp932) override { return inner->ReadName(cp932); }
    ScoreSaveResult Insert(ScoreEntry* table, int32_t score, const std::string& replay) override;
    void DeleteTemp() override { inner->DeleteTemp(); }
    bool Replace(const ScoreEntry* table) override { return inner->Replace(table); }

    // Whether the last Insert stored a row, and the first word typed for
    // it (UTF-8, empty when none was typed).
    bool stored = false;
    std::string storedName;

private:
    CScoreKeeper* inner;
    const SReplayTable* override = nullptr;
};

class CReplayRun {
public:
    // The game must have been set up, with `keeper` as its score keeper
    // (in a session, beneath the session's own).
    CReplayRun(const SReplayScript& script, CGame* game, CReplayScoreKeeper* keeper,
               CReplayHost* host);
    CReplayRun(const SReplayScript& script, CRecordedSession* session, CReplayScoreKeeper* keeper,
               CReplayHost* host);

    // Runs the commands up to and including the next tick. False once the
    // replay is over or has failed (Error() then says why).
    bool Step();
    // Runs everything; false when it failed.
    bool RunAll();
    // Runs at once up to the click that starts game `index` (0 the first);
    // false when the replay ends or fails before it.
    bool RunToGame(size_t index);

    bool Failed() const { return !error.empty(); }
    const std::string& Error() const { return error; }
    const std::vector<SReplayGame>& Games() const { return games; }
    int64_t Ticks() const { return ticks; }
    uint32_t Seed() const { return seed; }

private:
    // One command, or one tick of a tick command; false when over.
    bool Advance(bool* ticked);
    bool RunCommand(const SReplayCommand& command);
    bool RunTick(const SReplayCommand& command);
    bool Finish();
    bool Fail(const SReplayCommand* command, const std::string& why);

    void SetSeed(uint32_t state);

    const SReplayScript& script;
    // The game driven, directly or through the session.
    CGame* game;
    CRecordedSession* session;
    const CGame* view;
    CReplayScoreKeeper* keeper;
    CReplayHost* host;
    const bool strict;

    size_t at = 0;
    int64_t doneInCommand = 0;
    bool over = false;
    std::string error;
    int64_t ticks = 0;
    uint32_t seed = 1;
    size_t gamesStarted = 0;
    // A game ended in the last tick, and its score line is still to come.
    bool scoreDue = false;
    const SReplayTable* pendingTable = nullptr;
    std::vector<SReplayGame> games;
};
