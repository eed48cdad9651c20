// The few file operations the score files need, done the safe way on each
// system: only regular files are read or removed, never through a symbolic
// link and never waiting on a pipe or a device; new files are created
// exclusively, so no write ever lands in a file that was already there. One
// implementation per system (ScoreFileIoPosix.cpp, ScoreFileIoWindows.cpp).
#pragma once

#include <string>

enum FileReadResult {
    FILE_READ_OK,       // the bytes were read
    FILE_READ_MISSING,  // nothing is there
    FILE_READ_REFUSED,  // something is there that cannot or must not be read
};

// Reads a whole regular file. A folder, a pipe, a device, a link (even to a
// regular file), a file this account may not read, a read error or a file
// larger than `maxBytes` is refused.
FileReadResult ReadRegularFile(const std::string& path, std::string& bytes, size_t maxBytes);

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
