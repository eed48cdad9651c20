// The few file operations the score files need besides reading, done the
// safe way on each system: only regular files are removed, never through a
// symbolic link; new files are created exclusively, so no write ever lands in
// a file that was already there. One implementation per system
// (ScoreFileIoPosix.cpp, ScoreFileIoWindows.cpp).
#pragma once

#include <string>
#include <vector>

// Reading a score file: ReadRegularFile, which refuses links by default.
#include "devices/RegularFile.h"

// True when nothing at all is at the path (not even a dangling link).
bool PathIsFree(const std::string& path);

// Removes the file at `path` if it is a regular file; anything else is left
// alone. True when the path is free afterwards.
bool RemoveRegularFile(const std::string& path);

// Creates the file, which must not exist yet (a link there counts as
// existing), writes `bytes` and forces them to the disk. A text file gets the
// system's line ends. On any failure the new file is removed again and the
// result is false.
bool CreateNewFile(const std::string& path, const std::string& bytes, bool text);

// Puts the regular file `from` in the place of `to` in one step. `to` must be
// missing or a regular file; anything else there is left alone (false).
bool PutFileInPlace(const std::string& from, const std::string& to);

// Makes the folder and any missing folder above it, each one private to this
// account where the system has such rights (POSIX mode 0700; on Windows the
// folder takes its parent's rights). True when the folder exists afterwards.
bool MakePrivateFolder(const std::string& path);

// True when `path` is a folder itself, not a link to one.
bool IsPlainFolder(const std::string& path);

// The names of the entries in the folder `path` (without "." and ".."),
// which must be a folder itself, not a link to one. A missing folder has
// none. False when it cannot be read; `names` is then empty.
bool ListFolder(const std::string& path, std::vector<std::string>& names);
