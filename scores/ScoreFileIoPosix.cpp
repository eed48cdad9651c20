// The score files' file operations on POSIX systems (Linux, and the
// browser's file system).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "scores/ScoreFileIo.h"

namespace {

constexpr int kOpenFlags = O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// Puts the file's bytes on the disk before it takes the old file's place. A
// file system that cannot sync (EINVAL) has nothing more to write. In the
// browser the files live in memory until the page copies them to its
// storage after a save, and a sync there would wait on the page.
bool SyncFile(int fd) {
#if defined(__EMSCRIPTEN__)
    (void)fd;
    return true;
#else
    return fsync(fd) == 0 || errno == EINVAL;
#endif
}

}  // namespace

bool PathIsFree(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) != 0 && errno == ENOENT;
}

bool RemoveRegularFile(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISREG(info.st_mode)) {
        return false;
    }
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool CreateNewFile(const std::string& path, const std::string& bytes, bool) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | kOpenFlags, 0666);
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, bytes) && SyncFile(fd);
    ok = close(fd) == 0 && ok;
    if (!ok) {
        unlink(path.c_str());
    }
    return ok;
}

bool PutFileInPlace(const std::string& from, const std::string& to) {
    struct stat info;
    if (lstat(to.c_str(), &info) == 0 ? !S_ISREG(info.st_mode) : errno != ENOENT) {
        return false;
    }
    return rename(from.c_str(), to.c_str()) == 0;
}

bool MakePrivateFolder(const std::string& path) {
    struct stat info;
    for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string folder = path.substr(0, end);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST &&
            (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))) {
            return false;
        }
        if (end == std::string::npos) {
            break;
        }
    }
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsPlainFolder(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ListFolder(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISDIR(info.st_mode)) {
        return false;
    }
    DIR* folder = opendir(path.c_str());
    if (folder == nullptr) {
        return false;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(folder);
        if (entry == nullptr) {
            break;
        }
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    const bool whole = errno == 0;
    closedir(folder);
    if (!whole) {
        names.clear();
    }
    return whole;
}
