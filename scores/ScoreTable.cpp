#include "scores/ScoreTable.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "scores/Cp932.h"
#include "scores/KeptReplays.h"
#include "scores/ScoreFileIo.h"
#include "scores/ScoreFolder.h"

namespace {

std::string& ScoreFolder() {
    static std::string folder;
    return folder;
}

bool& NoScoreFolder() {
    static bool none = false;
    return none;
}

// Makes the score folder when one is set and it is missing.
bool MakeScoreFolder() {
    return !NoScoreFolder() && (ScoreFolder().empty() || MakePrivateFolder(ScoreFolder()));
}

}  // namespace

void SetScoreFolder(std::string folder) {
    ScoreFolder() = std::move(folder);
    NoScoreFolder() = false;
}

void SetNoScoreFolder() {
    ScoreFolder().clear();
    NoScoreFolder() = true;
}

std::string ScoreFilePath(const char* name) {
    const std::string& folder = ScoreFolder();
    if (NoScoreFolder()) {
        return "";
    }
    if (folder.empty()) {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + '/' + name;
}

std::string TempFilePath() {
    return ScoreFilePath(("work." + InstanceTag() + ".temp").c_str());
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

ScoreFileState LoadHeldScores(ScoreEntry* table, const std::string& path) {
    std::string bytes;
    const ScoreFileState state =
        path.empty() || !FolderCanHold(path) ? SCORE_FILE_NO_FOLDER : ReadScoreFile(path, bytes);
    if (state == SCORE_FILE_READ) {
        ParseScoreTable(bytes, table);
    } else {
        SetDefaultScores(table);
    }
    return state;
}

ScoreFileState LoadScores(ScoreEntry* table, const std::string& path) {
    // A file that is there is read under the lock too: on Windows a file
    // that is open cannot be replaced, nor one that is being replaced
    // opened, so a read in the middle of another game's save would fail the
    // one or the other. Without the lock (it cannot be taken, or its wait
    // ran out) the read goes ahead all the same.
    std::optional<CScoreLock> lock;
    if (!path.empty() && (!PathIsFree(path) || !PathIsFree(path + ".old"))) {
        lock.emplace(path + ".lock");
    }
    return LoadHeldScores(table, path);
}

int32_t QualifyingRank(const ScoreEntry* table, int32_t score) {
    for (int32_t i = 0; i < kScoreRows; ++i) {
        if (score >= table[i].score) {
            return i + 1;
        }
    }
    return 0;
}

int32_t StoredPlace(const ScoreEntry* table, int32_t score) {
    for (int32_t i = 0; i < kScoreRows; ++i) {
        if (table[i].score == score) {
            return i + 1;
        }
    }
    return 0;
}

int32_t PlaceScore(ScoreEntry* table, int32_t score, std::string_view typed) {
    const int32_t place = QualifyingRank(table, score);
    if (place != 0) {
        for (int32_t i = kScoreRows - 1; i >= place; --i) {
            table[i] = table[i - 1];
        }
        ScoreEntry& row = table[place - 1];
        CScoreScanner(typed).ReadWord(row.name, sizeof row.name);
        row.score = score;
    }
    return place;
}

ScoreSaveResult InsertScore(ScoreEntry* table, int32_t score, const std::string& scorePath,
                            const std::string& tempPath, const std::string& replay) {
    // The name first, from this game's own file: nothing changes unless it
    // can be read.
    std::string typed;
    if (!ReadTempFile(tempPath, typed) || !MakeScoreFolder()) {
        return SCORE_SAVE_FAILED;
    }
    // From here to the end, no other game reads or writes the table. Work
    // that has to agree with the stored rows belongs inside this lock.
    CScoreLock lock(scorePath + ".lock");
    if (!lock.Held()) {
        return SCORE_SAVE_FAILED;
    }
    ScoreEntry stored[kScoreRows];
    const ScoreFileState state = LoadHeldScores(stored, scorePath);
    if (state != SCORE_FILE_READ && state != SCORE_FILE_NONE) {
        return SCORE_SAVE_FAILED;
    }
    // A table the row has no place in is written back as it is, as any
    // save writes it.
    const int32_t place = PlaceScore(stored, score, typed);
    // The row's replay goes in first: a row is never written that finds a
    // file not its own. Without it the row is stored all the same.
    const std::string replays = ReplayFolderFor(scorePath);
    const std::string kept = place != 0 && !replay.empty()
                                 ? KeepRowReplay(replays, score, stored[place - 1].name, replay)
                                 : std::string();
    if (!SaveScores(stored, scorePath)) {
        if (!kept.empty()) {
            RemoveRegularFile(replays + '/' + kept);
        }
        return SCORE_SAVE_FAILED;
    }
    RemoveLeftReplays(replays, stored);
    std::copy(stored, stored + kScoreRows, table);
    if (place == 0) {
        return SCORE_SAVE_OUTRANKED;
    }
    return replay.empty() || !kept.empty() ? SCORE_SAVE_STORED : SCORE_SAVE_STORED_BARE;
}

bool ReplaceScores(const ScoreEntry* table, const std::string& scorePath) {
    if (!MakeScoreFolder()) {
        return false;
    }
    CScoreLock lock(scorePath + ".lock");
    if (!lock.Held() || !SaveScores(table, scorePath)) {
        return false;
    }
    RemoveLeftReplays(ReplayFolderFor(scorePath), table);
    return true;
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
