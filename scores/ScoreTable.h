// The top-five table and its file "score.sav": five "%d %s" lines, first
// place first. "work.temp" carries the earned place to the name-entry dialog
// and the typed name back.
#pragma once

#include <cstdint>

struct ScoreEntry {
    int32_t score = 0;
    // CP932 bytes, NUL-terminated: one word without white space.
    char name[32] = "kiri";
};

constexpr int32_t kScoreRows = 5;
// The name a row gets when there is no score file, and the dialog's preset.
constexpr const char* kDefaultScoreName = "kiri";

// Sets every row to 0 points and the default name.
void SetDefaultScores(ScoreEntry* table);

// Fills the table from the score file; without one, every row gets the
// defaults. A row that cannot be read keeps what it held, and so does every
// row after it.
void LoadScores(ScoreEntry* table, const char* path = "score.sav");

// The place (1 to 5) that `score` takes; 0 when it takes none. A score equal
// to a stored one ranks above it.
int32_t QualifyingRank(const ScoreEntry* table, int32_t score);

// Puts `score` into its place under the first word of the temporary file
// (the earlier name at that place when it holds none) and rewrites the score
// file. Without the temporary file nothing is stored.
void InsertScore(ScoreEntry* table, int32_t score, const char* scorePath = "score.sav",
                 const char* tempPath = "work.temp");

// Writes the earned place to the temporary file; false when it cannot.
bool WritePlace(int32_t place, const char* tempPath = "work.temp");

// Removes the temporary file, if there is one.
void DeleteTemp(const char* tempPath = "work.temp");

// Rewrites the score file from the table. The rows go to "<path>.new" first,
// which then replaces the file, so the file always holds either the old
// table or the new one. False when the table could not be stored.
bool SaveScores(const ScoreEntry* table, const char* path = "score.sav");

// The first half of SaveScores: writes the rows to `file` and reports
// whether every byte reached it.
bool WriteScoreRows(const ScoreEntry* table, const char* file);
