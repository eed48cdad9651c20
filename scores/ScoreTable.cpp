#include "scores/ScoreTable.h"

#include <cstdio>
#include <vector>

#include "scores/Cp932.h"
#include "scores/ScoreFileIo.h"

namespace {

std::string& ScoreFolder() {
    static std::string folder;
    return folder;
}

// Makes the score folder when one is set and it is missing.
bool MakeScoreFolder() {
    return ScoreFolder().empty() || MakePrivateFolder(ScoreFolder());
}

}  // namespace

void SetScoreFolder(std::string folder) {
    ScoreFolder() = std::move(folder);
}

std::string ScoreFilePath(const char* name) {
    const std::string& folder = ScoreFolder();
    if (folder.empty()) {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + '/' + name;
}

void SetDefaultScores(ScoreEntry* table) {
    for (int32_t i = 0; i < kScoreRows; ++i) {
        table[i] = ScoreEntry{};
    }
}

bool ParseScoreTable(std::string_view bytes, ScoreEntry* table) {
    std::vector<ScoreRow> rows;
    bool whole = ReadScoreRows(bytes, kScoreRows, rows);
    SetDefaultScores(table);
    for (size_t i = 0; i < rows.size(); ++i) {
        ScoreEntry& entry = table[i];
        const std::string& name = rows[i].name;
        const size_t length = Cp932PrefixLength(name.data(), name.size(), sizeof entry.name - 1);
        whole = whole && length == name.size();
        name.copy(entry.name, length);
        entry.name[length] = '\0';
        entry.score = rows[i].score;
    }
    return whole;
}

ScoreFileState LoadScores(ScoreEntry* table, const std::string& path) {
    std::string bytes;
    const ScoreFileState state = ReadScoreFile(path, bytes);
    if (state == SCORE_FILE_READ) {
        ParseScoreTable(bytes, table);
    } else {
        SetDefaultScores(table);
    }
    return state;
}

int32_t QualifyingRank(const ScoreEntry* table, int32_t score) {
    for (int32_t i = 0; i < kScoreRows; ++i) {
        if (score >= table[i].score) {
            return i + 1;
        }
    }
    return 0;
}

bool InsertScore(ScoreEntry* table, int32_t score, const std::string& scorePath,
                 const std::string& tempPath) {
    const int32_t place = QualifyingRank(table, score);
    if (place != 0) {
        // The name first: a table is changed only when it can be.
        std::string typed;
        if (!ReadTempFile(tempPath, typed)) {
            return false;
        }
        for (int32_t i = kScoreRows - 1; i >= place; --i) {
            table[i] = table[i - 1];
        }
        ScoreEntry& row = table[place - 1];
        CScoreScanner(typed).ReadWord(row.name, sizeof row.name);
        row.score = score;
    }
    return SaveScores(table, scorePath);
}

bool WriteTempFile(const std::string& path, const std::string& bytes) {
    return RemoveRegularFile(path) && MakeScoreFolder() && CreateNewFile(path, bytes, true);
}

bool WritePlace(int32_t place, const std::string& tempPath) {
    return WriteTempFile(tempPath, std::to_string(place));
}

void DeleteTemp(const std::string& tempPath) {
    RemoveRegularFile(tempPath);
}

std::string ScoreFileText(const ScoreEntry* table) {
    std::string text;
    for (int32_t i = 0; i < kScoreRows; ++i) {
        // An empty name would not read back as a word.
        const char* name = table[i].name[0] != '\0' ? table[i].name : kDefaultScoreName;
        char line[64];
        std::snprintf(line, sizeof line, "%d %.31s\n", static_cast<int>(table[i].score), name);
        text += line;
    }
    return text;
}

bool SaveScores(const ScoreEntry* table, const std::string& path) {
    std::string old;
    const ScoreFileState state = ReadScoreFile(path, old);
    if (state == SCORE_FILE_UNREADABLE || !MakeScoreFolder()) {
        return false;
    }
    ScoreEntry oldTable[kScoreRows];
    const std::string kept = path + ".bad";
    if (state == SCORE_FILE_READ && !ParseScoreTable(old, oldTable) && PathIsFree(kept) &&
        !CreateNewFile(kept, old, false)) {
        return false;
    }
    const std::string pending = path + ".new";
    if (!RemoveRegularFile(pending) || !CreateNewFile(pending, ScoreFileText(table), true)) {
        return false;
    }
    if (!PutFileInPlace(pending, path)) {
        RemoveRegularFile(pending);
        return false;
    }
    // A copy that an interrupted save of an earlier version left is out of
    // date now.
    RemoveRegularFile(path + ".old");
    return true;
}
