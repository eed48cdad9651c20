// The score folder's lock and tags on POSIX systems: flock on the lock file.
// In the browser every page runs one game on files of its own, so there is
// nothing to share and no lock file is made.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "scores/ScoreFolder.h"

namespace {

#if !defined(__EMSCRIPTEN__)
// Opens the lock file, making it when missing; -1 when it cannot be, or is
// not a regular file. Readable by all, so that every account that shares
// the folder can take the lock, as flock allows on any open file.
int OpenLockFile(const std::string& path) {
    constexpr int kFlags = O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC | O_NONBLOCK;
    int fd = open(path.c_str(), O_RDWR | kFlags, 0644);
    if (fd < 0 && errno == EACCES) {
        fd = open(path.c_str(), O_RDONLY | kFlags, 0644);
    }
    struct stat info;
    if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        close(fd);
        fd = -1;
    }
    return fd;
}
#endif

}  // namespace

CScoreLock::CScoreLock(const std::string& path, uint32_t waitMs) : handle(-1) {
#if defined(__EMSCRIPTEN__)
    (void)path;
    (void)waitMs;
    held = true;
#else
    const int fd = OpenLockFile(path);
    if (fd < 0) {
        return;
    }
    handle = fd;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            held = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
#endif
}

CScoreLock::~CScoreLock() {
    // Closing the file drops the lock.
    if (handle >= 0) {
        close(static_cast<int>(handle));
    }
}

bool FolderCanHold(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        return true;
    }
    struct stat info;
    if (stat(path.substr(0, slash).c_str(), &info) != 0) {
        return errno != ENOTDIR;
    }
    return S_ISDIR(info.st_mode);
}

std::string InstanceTag() {
    return std::to_string(static_cast<long>(getpid()));
}
