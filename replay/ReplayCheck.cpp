#include "replay/ReplayCheck.h"

#include "actors/GameRandom.h"
#include "game/Game.h"
#include "replay/ReplayPlatform.h"
#include "replay/ReplayRun.h"
#include "replay/ReplayScript.h"

namespace {

// Puts the thread's generator back however the check ends.
class CRandomStateKept {
public:
    CRandomStateKept() : state(GameRandomState()) {}
    ~CRandomStateKept() { SetGameRandomState(state); }
    CRandomStateKept(const CRandomStateKept&) = delete;
    CRandomStateKept& operator=(const CRandomStateKept&) = delete;

private:
    uint32_t state;
};

}  // namespace

bool CheckReplay(std::string_view text, SReplaySummary* summary, std::string* error) {
    *summary = SReplaySummary();
    error->clear();
    SReplayScript script;
    if (!ReadReplayScript(text, true, &script, error)) {
        return false;
    }
    if (!script.header.present) {
        *error = "not a replay: the first line is not " + std::string(kReplayMagic);
        return false;
    }
    summary->seed = script.header.seed;
    summary->gameVersion = script.header.gameVersion;
    summary->form = script.header.form;
    summary->recorded = script.header.recorded;
    summary->ticks = script.ticks;

    CRandomStateKept kept;
    CMemoryScoreKeeper table;
    CReplayScoreKeeper keeper(&table);
    CReplayPlatform platform(nullptr, &table);
    CGame game(&platform);
    game.SetScoreKeeper(&keeper);
    if (!game.Init(nullptr, 640, 480)) {
        *error = "the game could not be set up";
        return false;
    }
    CReplayRun run(script, &game, &keeper, &platform);
    const bool ran = run.RunAll();
    summary->games = run.Games();
    if (!ran) {
        *error = run.Error();
    }
    return ran;
}
