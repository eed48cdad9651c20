#include "scores/ScoreKeeper.h"

#include "scores/ScoreText.h"

ScoreFileState CFileScoreKeeper::Load(ScoreEntry* table) {
    return LoadScores(table);
}

bool CFileScoreKeeper::WritePlace(int32_t place) {
    return ::WritePlace(place);
}

bool CFileScoreKeeper::ReadName(std::string* cp932) {
    return ReadTempFile(TempFilePath(), *cp932);
}

ScoreSaveResult CFileScoreKeeper::Insert(ScoreEntry* table, int32_t score,
                                         const std::string& replay) {
    return InsertScore(table, score, ScoreFilePath(kScoreFileName), TempFilePath(), replay);
}

void CFileScoreKeeper::DeleteTemp() {
    ::DeleteTemp();
}

bool CFileScoreKeeper::Replace(const ScoreEntry* table) {
    return ReplaceScores(table);
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

ScoreSaveResult CMemoryScoreKeeper::Insert(ScoreEntry* table, int32_t score, const std::string&) {
    if (!named && QualifyingRank(table, score) != 0) {
        return SCORE_SAVE_FAILED;
    }
    const bool placed = PlaceScore(table, score, name) != 0;
    for (int32_t i = 0; i < kScoreRows; ++i) {
        kept[i] = table[i];
    }
    stored = true;
    return placed ? SCORE_SAVE_STORED : SCORE_SAVE_OUTRANKED;
}

void CMemoryScoreKeeper::DeleteTemp() {
    place = 0;
    named = false;
    name.clear();
}

bool CMemoryScoreKeeper::Replace(const ScoreEntry* table) {
    for (int32_t i = 0; i < kScoreRows; ++i) {
        kept[i] = table[i];
    }
    stored = true;
    return true;
}

void CMemoryScoreKeeper::SetName(const std::string& cp932) {
    place = 0;
    named = true;
    name = cp932;
}

bool FirstWord(const std::string& typed, ScoreEntry* row) {
    return CScoreScanner(typed).ReadWord(row->name, sizeof row->name);
}
