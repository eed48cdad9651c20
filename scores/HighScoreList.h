// The rows the high-score list shows, read from the score file each time
// the list opens, and the text of each row.
#pragma once

#include <cstdint>
#include <string>

#include "scores/ScoreTable.h"

struct HighScoreRow {
    int32_t score = 0;
    // CP932, at most 15 bytes of text.
    char name[16] = {};
};

class CHighScoreList {
public:
    static constexpr int32_t kRows = 5;

    // Reads the score file into the rows, as the game reads its table (the
    // names cut to 15 bytes). False when there is no file or it cannot be
    // read (the list is then not shown); the rows keep what they held.
    bool Load(const std::string& path = ScoreFilePath(kScoreFileName));
    // Place 1 to 5.
    const HighScoreRow& Row(int32_t place) const { return rows[place - 1]; }
    // The row's text in CP932: place, "位", the name right-aligned in 12
    // bytes and the score right-aligned in 4 characters, separated by
    // ideographic spaces. Longer names and numbers are not cut.
    std::string RowText(int32_t place) const;

    // The copy that the list dialogs fill, kept for the life of the program.
    static CHighScoreList& Shared();

private:
    HighScoreRow rows[kRows];
};
