// The top-five table and its file "score.sav": five "%d %s" lines, first
// place first. Each game's own temporary file ("work.<tag>.temp") carries the
// earned place to the name-entry dialog and the typed name back. All of them
// live in the score folder, which several games may share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "scores/ScoreText.h"

struct ScoreEntry {
    int32_t score = 0;
    // CP932 bytes, NUL-terminated: one word without white space.
    char name[32] = "kiri";
};

constexpr int32_t kScoreRows = 5;
// The name a row gets when there is no score file, and the dialog's preset.
constexpr const char* kDefaultScoreName = "kiri";
constexpr const char* kScoreFileName = "score.sav";

// Where the score files live. Empty (the start) is the working folder;
// another folder is made, private to the player, when a file is first
// written into it.
void SetScoreFolder(std::string folder);
// There is no place for the score files: the game keeps no scores.
void SetNoScoreFolder();
// The path of a file in the score folder; empty when there is none.
std::string ScoreFilePath(const char* name);
// The path of this game's own temporary file, which no other game running
// on the same folder uses: "work.<tag>.temp" with the game's InstanceTag().
std::string TempFilePath();

// Sets every row to 0 points and the default name.
void SetDefaultScores(ScoreEntry* table);

// Fills the table from a score file's bytes: its well-formed rows in order,
// the default row for each one missing. True when the bytes read back whole
// (see ReadScoreRows; a name cut to fit its row does not).
bool ParseScoreTable(std::string_view bytes, ScoreEntry* table);

// Fills the table from the score file, read while no other game is saving
// into it. Without one, with one that cannot be read, or without a folder
// that could ever hold one, every row gets the defaults; the result says
// which.
ScoreFileState LoadScores(ScoreEntry* table,
                          const std::string& path = ScoreFilePath(kScoreFileName));

// LoadScores for a caller that holds the score folder's lock (taking it
// again would wait on itself).
ScoreFileState LoadHeldScores(ScoreEntry* table, const std::string& path);

// The place (1 to 5) that `score` takes; 0 when it takes none. A score equal
// to a stored one ranks above it.
int32_t QualifyingRank(const ScoreEntry* table, int32_t score);

// The place (1 to 5) of the row just stored for `score`: the first row of
// that score, as a new row ranks above the rows of equal score; 0 when no
// row has it.
int32_t StoredPlace(const ScoreEntry* table, int32_t score);

// Puts `score` into its place in `table` under the first word of `typed`
// (the earlier name at that place when it holds none): the place, or 0 when
// it takes none and the table is left as it was.
int32_t PlaceScore(ScoreEntry* table, int32_t score, std::string_view typed);

enum ScoreSaveResult {
    SCORE_SAVE_FAILED,       // nothing was stored; the score file is as it was
    SCORE_SAVE_STORED,       // the row is in the score file
    SCORE_SAVE_OUTRANKED,    // rows that other games stored meanwhile leave it
                             // no place; the table is stored as they left it
    SCORE_SAVE_STORED_BARE,  // the row is in the score file, but the replay
                             // handed with it could not be kept
};

// Whether the row is in the score file.
inline bool RowStored(ScoreSaveResult result) {
    return result == SCORE_SAVE_STORED || result == SCORE_SAVE_STORED_BARE;
}

// Stores `score` under the first word of the temporary file. Under the score
// folder's lock (CScoreLock on "<scorePath>.lock"), the score file is read
// again, the row placed into the table as it is now (PlaceScore) and the
// file rewritten (SaveScores), so that a row that another game sharing the
// folder stored since this game's table was loaded is kept. A `replay`
// that is not empty is kept with the row, in the replays' folder beside
// the score file (scores/KeptReplays.h), before the file is rewritten; the
// replays of rows that left the table are removed after. Afterwards `table`
// holds the table as stored; when nothing was stored it is left as it was.
ScoreSaveResult InsertScore(ScoreEntry* table, int32_t score,
                            const std::string& scorePath = ScoreFilePath(kScoreFileName),
                            const std::string& tempPath = TempFilePath(),
                            const std::string& replay = std::string());

// Rewrites the score file with `table` as it is, under the score folder's
// lock (a replay's game over reads the table it recorded, so the file must
// hold it); the replays of rows that left it are removed. False when it
// could not be stored; the file is then as it was.
bool ReplaceScores(const ScoreEntry* table,
                   const std::string& scorePath = ScoreFilePath(kScoreFileName));

// Replaces the temporary file with a new one holding `bytes`. False when it
// cannot; anything there but a regular file is left alone.
bool WriteTempFile(const std::string& path, const std::string& bytes);

// Writes the earned place to the temporary file; false when it cannot.
bool WritePlace(int32_t place, const std::string& tempPath = TempFilePath());

// Removes the temporary file, if it is a regular file.
void DeleteTemp(const std::string& tempPath = TempFilePath());

// The score file's text for the table.
std::string ScoreFileText(const ScoreEntry* table);

// Rewrites the score file from the table. The rows go to a new file
// "<path>.new" first, which then takes the file's place, so the file always
// holds either the old table or the new one. A file that cannot be read is
// never written over, and the bytes of one that does not read back whole are
// first kept in "<path>.bad" (unless a copy is there already). False when
// the table could not be stored; the old file is then as it was. Where games
// may share the folder, only under the score folder's lock.
bool SaveScores(const ScoreEntry* table, const std::string& path = ScoreFilePath(kScoreFileName));
