// The score folder's lock and tags on Windows: a byte-range lock on the lock
// file, which the system drops when the handle closes or the process ends.
#include <chrono>

#include "devices/DeviceTypes.h"
#include "scores/ScoreFolder.h"

namespace {

HANDLE AsHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// Opens the lock file, making it when missing; null when it cannot be, or is
// not a plain file (a folder, a link, a device).
HANDLE OpenLockFile(const std::string& path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    constexpr DWORD kNotAFile =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & kNotAFile) != 0) {
        CloseHandle(file);
        return nullptr;
    }
    return file;
}

}  // namespace

CScoreLock::CScoreLock(const std::string& path, uint32_t waitMs) : handle(0) {
    HANDLE file = OpenLockFile(path);
    if (file == nullptr) {
        return;
    }
    handle = reinterpret_cast<intptr_t>(file);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        OVERLAPPED at = {};
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            held = true;
            return;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION ||
            std::chrono::steady_clock::now() >= deadline) {
            return;
        }
        Sleep(2);
    }
}

CScoreLock::~CScoreLock() {
    // Closing the handle drops the lock.
    if (handle != 0) {
        CloseHandle(AsHandle(handle));
    }
}

bool FolderCanHold(const std::string& path) {
    // Every folder on the way must be a folder, where there is anything.
    for (size_t end = path.find_first_of("/\\", 1); end != std::string::npos;
         end = path.find_first_of("/\\", end + 1)) {
        const DWORD attributes = GetFileAttributesA(path.substr(0, end).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return false;
        }
    }
    return true;
}

std::string InstanceTag() {
    return std::to_string(static_cast<unsigned long>(GetCurrentProcessId()));
}
