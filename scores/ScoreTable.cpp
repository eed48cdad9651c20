#include "scores/ScoreTable.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "scores/ScoreText.h"

void SetDefaultScores(ScoreEntry* table) {
    for (int32_t i = 0; i < kScoreRows; ++i) {
        table[i] = ScoreEntry{};
    }
}

void LoadScores(ScoreEntry* table, const char* path) {
    std::FILE* file = OpenScoreFile(path);
    if (file == nullptr) {
        SetDefaultScores(table);
        return;
    }
    CScoreScanner scanner(file);
    for (int32_t i = 0; i < kScoreRows; ++i) {
        if (!scanner.ReadRecord(table[i].score, table[i].name, sizeof table[i].name)) {
            break;
        }
    }
    std::fclose(file);
}

int32_t QualifyingRank(const ScoreEntry* table, int32_t score) {
    for (int32_t i = 0; i < kScoreRows; ++i) {
        if (score >= table[i].score) {
            return i + 1;
        }
    }
    return 0;
}

void InsertScore(ScoreEntry* table, int32_t score, const char* scorePath, const char* tempPath) {
    int32_t place = QualifyingRank(table, score);
    if (place != 0) {
        for (int32_t i = kScoreRows - 1; i >= place; --i) {
            table[i] = table[i - 1];
        }
        std::FILE* temp = std::fopen(tempPath, "r");
        if (temp == nullptr) {
            return;
        }
        ScoreEntry& row = table[place - 1];
        CScoreScanner(temp).ReadWord(row.name, sizeof row.name);
        std::fclose(temp);
        row.score = score;
    }
    SaveScores(table, scorePath);
}

bool WritePlace(int32_t place, const char* tempPath) {
    std::FILE* temp = std::fopen(tempPath, "w");
    if (temp == nullptr) {
        return false;
    }
    bool ok = std::fprintf(temp, "%d", static_cast<int>(place)) > 0;
    ok = std::fclose(temp) == 0 && ok;
    return ok;
}

void DeleteTemp(const char* tempPath) {
    std::remove(tempPath);
}

bool WriteScoreRows(const ScoreEntry* table, const char* file) {
    std::FILE* out = std::fopen(file, "w");
    if (out == nullptr) {
        return false;
    }
    bool ok = true;
    for (int32_t i = 0; i < kScoreRows; ++i) {
        // An empty name would not read back as a word.
        const char* name = table[i].name[0] != '\0' ? table[i].name : kDefaultScoreName;
        ok = std::fprintf(out, "%d %.31s\n", static_cast<int>(table[i].score), name) > 0 && ok;
    }
    ok = std::fflush(out) == 0 && ok;
    ok = std::fclose(out) == 0 && ok;
    return ok;
}

bool SaveScores(const ScoreEntry* table, const char* path) {
    const std::string target(path);
    const std::string pending = target + ".new";
    std::error_code error;
    if (!WriteScoreRows(table, pending.c_str())) {
        std::filesystem::remove(pending, error);
        return false;
    }
    const std::string old = target + ".old";
    std::filesystem::rename(pending, target, error);
    if (!error) {
        // A copy left behind by an interrupted save is out of date now.
        std::filesystem::remove(old, error);
        return true;
    }
    // Where a rename cannot replace an existing file, move the old table
    // aside first; LoadScores reads "<path>.old" if we stop in between.
    std::filesystem::remove(old, error);
    std::filesystem::rename(target, old, error);
    if (error) {
        std::filesystem::remove(pending, error);
        return false;
    }
    std::filesystem::rename(pending, target, error);
    if (error) {
        std::filesystem::rename(old, target, error);
        std::filesystem::remove(pending, error);
        return false;
    }
    std::filesystem::remove(old, error);
    return true;
}
