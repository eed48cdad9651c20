// The replays kept beside the score table. When a recorded game stores a
// row, the replay of its session up to that game over is kept with it, in
// the folder "replays" beside "score.sav", in a file whose name holds the
// row's score and name:
//
//     <score>_<name>_<YYYYMMDDTHHMMSSZ>_<serial>.replay
//
// The name's bytes (CP932) stand as they are where they are ASCII letters
// or digits and as %XX (two upper-case hex digits) otherwise; the time is
// when the row was stored (UTC); the serial is one above every other in the
// folder. A row finds the file of its own score and name. Rows of one score
// and name take their files newest first, by serial, as the table keeps the
// newest of equal scores first. Every save of the table removes the files
// that no row finds any more, under the same lock as the table's
// read-merge-write. The replay of the program's last session is kept as
// "last.replay" in the same folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devices/RegularFile.h"
#include "scores/ScoreTable.h"

constexpr const char* kReplayFolderName = "replays";
constexpr const char* kLastSessionFileName = "last.replay";

// A moment in UTC, to the second.
struct SUtcTime {
    int64_t year = 1970;
    int32_t month = 1;
    int32_t day = 1;
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
};
SUtcTime UtcTimeOf(int64_t unixSeconds);
int64_t UnixSecondsOf(const SUtcTime& time);

// What the name of a kept row's replay says.
struct SKeptReplayName {
    int32_t score = 0;
    std::string name;  // CP932, as the row holds it
    int64_t time = 0;  // when it was kept: seconds since 1970, UTC
    uint64_t serial = 0;
};

std::string KeptReplayFileName(const SKeptReplayName& kept);
// False when `fileName` is not the name of a kept row's replay.
bool ReadKeptReplayFileName(std::string_view fileName, SKeptReplayName* kept);

// For each row of `table`, the one of `fileNames` that holds its replay;
// empty for a row that has none.
void MatchKeptReplays(const ScoreEntry* table, const std::vector<std::string>& fileNames,
                      std::string* rowFiles);

// The replays' folder beside the score file at `scorePath`.
std::string ReplayFolderFor(const std::string& scorePath);

// The two steps of a save, done while the score folder's lock is held
// (InsertScore, ReplaceScores):
// Keeps `text` as the replay of the row of `score` and `name` (CP932) about
// to be stored: a new file, synced, then renamed into place. Its name, or
// empty when it could not be kept (the folder is then as it was).
std::string KeepRowReplay(const std::string& folder, int32_t score, const char* name,
                          const std::string& text);
// Removes every kept row's replay that no row of `table` finds, and the new
// files an interrupted save left. Only regular files are removed; a folder
// that is a link is left alone.
void RemoveLeftReplays(const std::string& folder, const ScoreEntry* table);

// A kept replay, as the list of replays shows it.
struct SKeptReplay {
    int32_t place = 0;  // 1 to 5; 0 for the last session
    int32_t score = 0;
    std::string name;  // CP932; empty for the last session
    int64_t time = 0;  // seconds since 1970, UTC: when the row was stored, or when
                       // the last session's recording began (0 when unknown)
    std::string path;
};

// The replays that the rows of the score file find, best first, then the
// last session's, read while no other game saves. False when the score file
// is there but cannot be read, or the folder cannot be read; `kept` then
// holds what could be found.
bool LoadKeptReplays(std::vector<SKeptReplay>& kept,
                     const std::string& scorePath = ScoreFilePath(kScoreFileName));

// Reads a kept replay (a regular file, never through a link, of at most
// `maxBytes`) while no other game saves.
FileReadResult ReadKeptReplay(const std::string& path, std::string& text, size_t maxBytes,
                              const std::string& scorePath = ScoreFilePath(kScoreFileName));

// Keeps `text` as the last session's replay, under the score folder's lock:
// a new file, synced, then renamed into place. False when it could not be.
bool KeepLastSession(const std::string& text,
                     const std::string& scorePath = ScoreFilePath(kScoreFileName));
