#include "scores/ScoreKeeper.h"

#include "scores/ScoreText.h"

ScoreFileState CFileScoreKeeper::Load(ScoreEntry* table) {
    return LoadScores(table);
}

bool CFileScoreKeeper::WritePlace(int32_t place) {
    return ::WritePlace(place);
}

bool CFileScoreKeeper::ReadName(std::string* cp932) {
    return ReadTempFile(ScoreFilePath(kTempFileName), *cp932);
}

bool CFileScoreKeeper::Insert(ScoreEntry* table, int32_t score) {
    return InsertScore(table, score);
}

void CFileScoreKeeper::DeleteTemp() {
    ::DeleteTemp();
}

CScoreKeeper& FileScoreKeeper() {
    static CFileScoreKeeper keeper;
    return keeper;
}

ScoreFileState CMemoryScoreKeeper::Load(ScoreEntry* table) {
    for (int32_t i = 0; i < kScoreRows; ++i) {
        table[i] = kept[i];
    }
    return stored ? SCORE_FILE_READ : SCORE_FILE_NONE;
}

bool CMemoryScoreKeeper::WritePlace(int32_t earned) {
    place = earned;
    named = false;
    return true;
}

bool CMemoryScoreKeeper::ReadName(std::string* cp932) {
    if (!named) {
        return false;
    }
    *cp932 = name;
    return true;
}

bool CMemoryScoreKeeper::Insert(ScoreEntry* table, int32_t score) {
    const int32_t at = QualifyingRank(table, score);
    if (at != 0) {
        if (!named) {
            return false;
        }
        ScoreEntry row = table[at - 1];
        FirstWord(name, &row);
        row.score = score;
        for (int32_t i = kScoreRows - 1; i >= at; --i) {
            table[i] = table[i - 1];
        }
        table[at - 1] = row;
    }
    for (int32_t i = 0; i < kScoreRows; ++i) {
        kept[i] = table[i];
    }
    stored = true;
    return true;
}

void CMemoryScoreKeeper::DeleteTemp() {
    place = 0;
    named = false;
    name.clear();
}

void CMemoryScoreKeeper::SetName(const std::string& cp932) {
    place = 0;
    named = true;
    name = cp932;
}

bool FirstWord(const std::string& typed, ScoreEntry* row) {
    return CScoreScanner(typed).ReadWord(row->name, sizeof row->name);
}
