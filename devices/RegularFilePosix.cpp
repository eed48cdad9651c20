// Regular files on POSIX systems (Linux, and the browser's file system).
#if !defined(_WIN32)

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "devices/RegularFile.h"

namespace {

FileReadResult Failure() {
    return errno == ENOENT ? FILE_READ_MISSING : FILE_READ_REFUSED;
}

}  // namespace

FileReadResult CRegularFile::Open(const std::string& path, FileLinkRule links) {
    Close();
    // Look before opening, so that opening never touches a device; then
    // check what was opened. Open without waiting: a pipe would otherwise
    // block until a writer comes.
    const bool follow = links == FILE_LINKS_FOLLOWED;
    struct stat info;
    if ((follow ? stat(path.c_str(), &info) : lstat(path.c_str(), &info)) != 0) {
        return Failure();
    }
    if (!S_ISREG(info.st_mode)) {
        return FILE_READ_REFUSED;
    }
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW);
    const int fd = open(path.c_str(), flags);
    if (fd < 0) {
        return Failure();
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        close(fd);
        return FILE_READ_REFUSED;
    }
    handle = fd;
    size = static_cast<uint64_t>(info.st_size);
    readFailed = false;
    return FILE_READ_OK;
}

void CRegularFile::Close() {
    if (IsOpen()) {
        close(static_cast<int>(handle));
        handle = kNoHandle;
    }
    size = 0;
}

size_t CRegularFile::Read(void* destination, size_t count) {
    size_t done = 0;
    while (IsOpen() && done < count) {
        const ssize_t got =
            read(static_cast<int>(handle), static_cast<char*>(destination) + done, count - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            readFailed = true;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    return done;
}

bool CRegularFile::Seek(uint64_t position) {
    if (!IsOpen() || position > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
        return false;
    }
    const off_t target = static_cast<off_t>(position);
    return lseek(static_cast<int>(handle), target, SEEK_SET) == target;
}

#endif
