// Where the game keeps its table at a game over: the table it reads, the
// place it hands to the name entry, the name handed back and the row it
// stores. The score files are the one the forms use; a table in memory
// serves replays, which must neither read nor change the player's files.
#pragma once

#include <cstdint>
#include <string>

#include "scores/ScoreTable.h"

class CScoreKeeper {
public:
    virtual ~CScoreKeeper() = default;
    // Fills the table; SCORE_FILE_UNREADABLE when the scores cannot be kept.
    virtual ScoreFileState Load(ScoreEntry* table) = 0;
    // Hands the earned place to the name entry; false when it cannot.
    virtual bool WritePlace(int32_t place) = 0;
    // What the name entry handed back when OK was pressed (CP932 bytes);
    // false when there is nothing to read.
    virtual bool ReadName(std::string* cp932) = 0;
    // Puts `score` into its place in the table as kept now, under the first
    // word of the name handed back, and keeps it, with `replay` (the
    // session's replay up to this game over) when that is not empty;
    // `table` then holds the table as kept. When nothing was stored,
    // `table` is as it was.
    virtual ScoreSaveResult Insert(ScoreEntry* table, int32_t score, const std::string& replay) = 0;
    // Ends the hand-over, whatever became of it.
    virtual void DeleteTemp() = 0;
    // Keeps `table` as it is in place of the table kept now (a replay's game
    // over reads the table it recorded); false when it could not.
    virtual bool Replace(const ScoreEntry* table) = 0;
};

// The score files in the score folder: "score.sav", this game's own
// temporary file and the rows' replays.
class CFileScoreKeeper : public CScoreKeeper {
public:
    ScoreFileState Load(ScoreEntry* table) override;
    bool WritePlace(int32_t place) override;
    bool ReadName(std::string* cp932) override;
    ScoreSaveResult Insert(ScoreEntry* table, int32_t score, const std::string& replay) override;
    void DeleteTemp() override;
    bool Replace(const ScoreEntry* table) override;
};

// The one file keeper, which holds nothing of its own.
CScoreKeeper& FileScoreKeeper();

// A table kept in memory, as a score file that starts out missing would be;
// the name entry reads the place from it and hands the name back to it.
// Replays are not kept.
class CMemoryScoreKeeper : public CScoreKeeper {
public:
    ScoreFileState Load(ScoreEntry* table) override;
    bool WritePlace(int32_t place) override;
    bool ReadName(std::string* cp932) override;
    ScoreSaveResult Insert(ScoreEntry* table, int32_t score, const std::string& replay) override;
    void DeleteTemp() override;
    bool Replace(const ScoreEntry* table) override;

    // The place handed to the name entry; 0 when none is.
    int32_t Place() const { return place; }
    // OK in the name entry: the name (CP932 bytes) replaces the place.
    void SetName(const std::string& cp932);

private:
    ScoreEntry kept[kScoreRows];
    bool stored = false;
    int32_t place = 0;
    bool named = false;
    std::string name;
};

// The first word of what the name entry handed back, as a row keeps it;
// false when there is none.
bool FirstWord(const std::string& typed, ScoreEntry* row);
