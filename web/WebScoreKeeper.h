// The browser form's score keeper: the score files in the program's own
// folder, which the browser's storage keeps. Before each game over the
// table is read again from the storage, so a row another tab stored since
// counts; a save reads the storage again, stores its row into what is
// there and writes it back, and does it again on the new files when
// another tab wrote first. A save that cannot be written leaves the folder
// and the table as stored.
#pragma once

#include "scores/ScoreKeeper.h"

class CWebScoreKeeper : public CScoreKeeper {
public:
    // How often a save is tried on files that another tab changed meanwhile
    // before it is given up as failed.
    static constexpr int32_t kSaveAttempts = 8;

    // `inner` keeps the files in the folder.
    explicit CWebScoreKeeper(CScoreKeeper* inner) : inner(inner) {}

    // Whether the browser's storage could be had; without it the files live
    // only as long as the page (the player is told so at the start).
    void SetStored(bool kept) { stored = kept; }

    ScoreFileState Load(ScoreEntry* table) override;
    bool WritePlace(int32_t place) override { return inner->WritePlace(place); }
    bool ReadName(std::string* cp932) override { return inner->ReadName(cp932); }
    ScoreSaveResult Insert(ScoreEntry* table, int32_t score, const std::string& replay) override;
    void DeleteTemp() override { inner->DeleteTemp(); }
    bool Replace(const ScoreEntry* table) override;

private:
    template <typename Step>
    ScoreSaveResult Keep(ScoreEntry* table, Step step);

    CScoreKeeper* inner;
    bool stored = false;
};
