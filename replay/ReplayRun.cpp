#include "replay/ReplayRun.h"

#include <cstring>

#include "actors/GameRandom.h"
#include "replay/RecordedSession.h"
#include "scores/Cp932.h"

namespace {

bool SameRows(const ScoreEntry* a, const ScoreEntry* b) {
    for (int32_t i = 0; i < kScoreRows; ++i) {
        if (a[i].score != b[i].score || std::strcmp(a[i].name, b[i].name) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

ScoreFileState CReplayScoreKeeper::Load(ScoreEntry* table) {
    if (override == nullptr) {
        return inner->Load(table);
    }
    for (int32_t i = 0; i < kScoreRows; ++i) {
        table[i] = override->rows[i];
    }
    if (!override->kept) {
        return SCORE_FILE_UNREADABLE;
    }
    // The save that may follow merges with the table kept then: let that be
    // the table the game read, as it was when the game was played. A keeper
    // that holds it already is left alone (a missing score file stays
    // missing).
    ScoreEntry now[kScoreRows];
    const ScoreFileState state = inner->Load(now);
    if ((state != SCORE_FILE_READ && state != SCORE_FILE_NONE) || !SameRows(now, override->rows)) {
        inner->Replace(override->rows);
    }
    return SCORE_FILE_READ;
}

bool CReplayScoreKeeper::WritePlace(int32_t place) {
    if (override != nullptr && !override->entry) {
        return false;
    }
    return inner->WritePlace(place);
}

ScoreSaveResult CReplayScoreKeeper::Insert(ScoreEntry* table, int32_t score,
                                           const std::string& replay) {
    std::string typed;
    const bool haveName = inner->ReadName(&typed);
    const ScoreSaveResult result = inner->Insert(table, score, replay);
    stored = RowStored(result);
    storedName.clear();
    ScoreEntry word;
    word.name[0] = '\0';
    if (stored && haveName && FirstWord(typed, &word)) {
        storedName = Cp932ToUtf8(word.name);
    }
    return result;
}

CReplayRun::CReplayRun(const SReplayScript& script, CGame* game, CReplayScoreKeeper* keeper,
                       CReplayHost* host)
    : script(script),
      game(game),
      session(nullptr),
      view(game),
      keeper(keeper),
      host(host),
      strict(script.header.present) {
    SetSeed(strict ? script.header.seed : GameRandomState());
}

CReplayRun::CReplayRun(const SReplayScript& script, CRecordedSession* session,
                       CReplayScoreKeeper* keeper, CReplayHost* host)
    : script(script),
      game(nullptr),
      session(session),
      view(&session->Game()),
      keeper(keeper),
      host(host),
      strict(script.header.present) {
    SetSeed(strict ? script.header.seed : GameRandomState());
}

void CReplayRun::SetSeed(uint32_t state) {
    seed = state;
    if (session != nullptr) {
        session->Reseed(state);
    } else {
        SetGameRandomState(state);
    }
}

bool CReplayRun::Step() {
    bool ticked = false;
    while (!ticked) {
        if (!Advance(&ticked)) {
            return false;
        }
    }
    return true;
}

bool CReplayRun::RunAll() {
    bool ticked = false;
    while (Advance(&ticked)) {
    }
    return !Failed();
}

bool CReplayRun::RunToGame(size_t index) {
    bool ticked = false;
    for (;;) {
        if (!over && at < script.commands.size() && doneInCommand == 0 &&
            script.commands[at].kind == REPLAY_CLICK && view->State() == STATE_TITLE &&
            gamesStarted == index) {
            return true;
        }
        if (!Advance(&ticked)) {
            return false;
        }
    }
}

bool CReplayRun::Advance(bool* ticked) {
    *ticked = false;
    while (!over) {
        if (at >= script.commands.size()) {
            return Finish();
        }
        const SReplayCommand& command = script.commands[at];
        if (command.kind != REPLAY_TICK) {
            ++at;
            return RunCommand(command);
        }
        if (doneInCommand < command.a) {
            ++doneInCommand;
            if (doneInCommand == command.a) {
                ++at;
                doneInCommand = 0;
            }
            *ticked = true;
            return RunTick(command);
        }
        ++at;  // "tick 0"
    }
    return false;
}

bool CReplayRun::RunCommand(const SReplayCommand& command) {
    if (command.kind == REPLAY_SCORE) {
        if (!scoreDue) {
            return Fail(&command, "a score line where no game has just ended");
        }
        scoreDue = false;
        if (games.back().score != command.a) {
            return Fail(&command, "the replay records a score of " + std::to_string(command.a) +
                                      ", but its game ends with " +
                                      std::to_string(games.back().score));
        }
        return true;
    }
    if (strict && scoreDue) {
        return Fail(&command,
                    "game " + std::to_string(games.size()) + " ended without its score line");
    }
    const int32_t x = static_cast<int32_t>(command.a);
    const int32_t y = static_cast<int32_t>(command.b);
    switch (command.kind) {
        case REPLAY_CLICK:
            if (view->State() == STATE_TITLE) {
                ++gamesStarted;
            }
            host->BeforeInput(command);
            session != nullptr ? session->OnClick(x, y) : game->OnClick(x, y);
            break;
        case REPLAY_ENTER:
            host->BeforeInput(command);
            session != nullptr ? session->TogglePause() : game->TogglePause();
            break;
        case REPLAY_PAINT:
            host->BeforeInput(command);
            session != nullptr ? session->Paint() : game->Paint();
            break;
        case REPLAY_NAME:
            host->QueueAnswer({true, command.text});
            break;
        case REPLAY_CLOSE:
            host->QueueAnswer({false, std::string()});
            break;
        case REPLAY_SEED:
            SetSeed(static_cast<uint32_t>(command.a));
            break;
        case REPLAY_TABLE:
            if (strict && pendingTable != nullptr) {
                return Fail(&command, "two table lines before one game over");
            }
            pendingTable = &script.tables[command.tableIndex];
            break;
        case REPLAY_END:
            return Finish();
        default:
            break;
    }
    return true;
}

bool CReplayRun::RunTick(const SReplayCommand& command) {
    if (scoreDue) {
        if (strict) {
            return Fail(&command,
                        "game " + std::to_string(games.size()) + " ended without its score line");
        }
        scoreDue = false;
    }
    const bool gameOver = view->State() == STATE_ENDED;
    if (strict && !gameOver && (pendingTable != nullptr || host->PendingAnswers() != 0)) {
        return Fail(&command, "a table, name or close line before a tick with no game over");
    }
    if (strict && gameOver && pendingTable == nullptr) {
        return Fail(&command, "the game over of game " + std::to_string(games.size()) +
                                  " has no table line before it");
    }
    if (gameOver) {
        keeper->Override(pendingTable);
        keeper->stored = false;
    }
    ++ticks;
    host->BeforeTick(ticks);
    session != nullptr ? session->Tick() : game->Tick();
    if (gameOver) {
        keeper->Override(nullptr);
        pendingTable = nullptr;
        if (!games.empty()) {
            games.back().named = keeper->stored;
            games.back().name = keeper->stored ? keeper->storedName : std::string();
        }
        if (strict && host->PendingAnswers() != 0) {
            return Fail(&command, "a name or close line that no name entry used");
        }
    }
    if (view->State() == STATE_ENDED) {
        SReplayGame ended;
        ended.score = view->Score();
        ended.endTick = ticks;
        games.push_back(ended);
        scoreDue = true;
    }
    return true;
}

bool CReplayRun::Finish() {
    over = true;
    if (strict && scoreDue) {
        error = "game " + std::to_string(games.size()) + " ended without its score line";
    } else if (strict && (pendingTable != nullptr || host->PendingAnswers() != 0)) {
        error = "a table, name or close line with no game over after it";
    }
    return false;
}

bool CReplayRun::Fail(const SReplayCommand* command, const std::string& why) {
    over = true;
    error = command != nullptr ? "line " + std::to_string(command->line) + ": " + why : why;
    return false;
}
