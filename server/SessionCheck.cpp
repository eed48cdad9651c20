#include "server/SessionCheck.h"

#include "replay/ReplayCheck.h"

bool CheckSession(std::string_view replay, SCheckedSession* session, std::string* error) {
    SReplaySummary summary;
    if (!CheckReplay(replay, &summary, error)) {
        return false;
    }
    session->seed = summary.seed;
    session->ticks = summary.ticks;
    session->games.clear();
    for (const SReplayGame& game : summary.games) {
        SCheckedGame checked;
        checked.score = game.score;
        checked.named = game.named;
        checked.name = game.name;
        checked.endTick = game.endTick;
        session->games.push_back(std::move(checked));
    }
    return true;
}
