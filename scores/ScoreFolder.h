// What several games sharing one score folder need: a lock that lets one
// of them at a time read, change and rewrite the table, and a tag that
// keeps each game's temporary file apart from the others'. One
// implementation per system (ScoreFolderPosix.cpp, ScoreFolderWindows.cpp),
// kept apart from the file reading and writing of ScoreFileIo.h.
#pragma once

#include <cstdint>
#include <string>

// Holds the score folder's lock for as long as it lives. The lock is an
// advisory lock on the lock file at `path` (a regular file of its own,
// made when missing and never removed), so it binds only the games that
// take it; the system drops it when the holder ends, however it ends.
class CScoreLock {
public:
    // How long to wait for another game's save to finish.
    static constexpr uint32_t kWaitMs = 5000;

    // Waits up to `waitMs` for the lock. Held() says whether it was taken:
    // not when the wait ran out, or when the lock file cannot be made or is
    // anything but a regular file.
    explicit CScoreLock(const std::string& path, uint32_t waitMs = kWaitMs);
    ~CScoreLock();
    CScoreLock(const CScoreLock&) = delete;
    CScoreLock& operator=(const CScoreLock&) = delete;

    bool Held() const { return held; }

private:
    intptr_t handle;
    bool held = false;
};

// False when something already on the way to `path` is not a folder (say,
// a regular file where a folder above it should be), so that no file can
// ever be made there. A folder that is only missing can still be made.
bool FolderCanHold(const std::string& path);

// This game's own tag among the games running on the machine: the process
// id, in decimal.
std::string InstanceTag();
