#include "replay/LastSession.h"

#include "scores/KeptReplays.h"

bool CLastSessionKeeper::AfterTick() {
    const CGame& game = session->Game();
    const int32_t state = game.State();
    started = started || state != STATE_TITLE;
    bool due = false;
    if (lastState == STATE_ENDED && state != STATE_ENDED) {
        // The game over step has just run: the name typed is in the text.
        due = true;
    } else if (state == STATE_PLAY && !game.Paused() && ++playTicks >= kPlayTicksBetweenWrites) {
        due = true;
    }
    lastState = state;
    if (!due) {
        return false;
    }
    const bool failedBefore = failed;
    return !Keep() && !failedBefore;
}

bool CLastSessionKeeper::Finish() {
    return !started || Keep();
}

bool CLastSessionKeeper::Keep() {
    playTicks = 0;
    // Without a score folder nothing is kept, and the game has said so.
    if (ScoreFilePath(kScoreFileName).empty()) {
        return true;
    }
    const bool kept = KeepLastSession(session->Text());
    failed = failed || !kept;
    return kept;
}
