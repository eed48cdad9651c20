// The rows the high-score list shows, read from the score file each time
// the list opens, and the text of each row.
#pragma once

#include <cstdint>
#include <string>

struct HighScoreRow {
    int32_t score = 0;
    // CP932, at most 15 bytes of text.
    char name[16] = {};
};

class CHighScoreList {
public:
    static constexpr int32_t kRows = 5;

    // Reads the score file into the rows; a row that cannot be read keeps
    // what it held, and so does every row after it. False when there is no
    // file (the list is then not shown).
    bool Load(const char* path = "score.sav");
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
