#include "web/WebScoreKeeper.h"

#include <algorithm>

#include "web/WebBindings.h"

ScoreFileState CWebScoreKeeper::Load(ScoreEntry* table) {
    // When the storage cannot be read, the folder holds what was last
    // stored.
    if (stored) {
        web_saves_pull();
    }
    return inner->Load(table);
}

template <typename Step>
ScoreSaveResult CWebScoreKeeper::Keep(ScoreEntry* table, Step step) {
    if (!stored) {
        return step();
    }
    ScoreEntry before[kScoreRows];
    std::copy(table, table + kScoreRows, before);
    for (int32_t attempt = 0; attempt < kSaveAttempts; ++attempt) {
        if (web_saves_pull() == 0) {
            break;
        }
        const ScoreSaveResult result = step();
        if (result == SCORE_SAVE_FAILED) {
            web_saves_revert();
            break;
        }
        const int32_t pushed = web_saves_push();
        if (pushed == WEB_SAVE_STORED) {
            return result;
        }
        std::copy(before, before + kScoreRows, table);
        if (pushed != WEB_SAVE_OVERTAKEN) {
            break;
        }
    }
    std::copy(before, before + kScoreRows, table);
    return SCORE_SAVE_FAILED;
}

ScoreSaveResult CWebScoreKeeper::Insert(ScoreEntry* table, int32_t score,
                                        const std::string& replay) {
    return Keep(table, [&] { return inner->Insert(table, score, replay); });
}

bool CWebScoreKeeper::Replace(const ScoreEntry* table) {
    ScoreEntry copy[kScoreRows];
    std::copy(table, table + kScoreRows, copy);
    return Keep(copy, [&] {
               return inner->Replace(table) ? SCORE_SAVE_STORED : SCORE_SAVE_FAILED;
           }) == SCORE_SAVE_STORED;
}
