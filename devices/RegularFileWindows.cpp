// Regular files on Windows. There are no pipes or device files among
// ordinary names here, but folders, devices and files this account may not
// read are refused as on other systems, and so are links (reparse points)
// where the caller refuses them.
#if defined(_WIN32)

#include <algorithm>

#include "devices/DeviceTypes.h"
#include "devices/RegularFile.h"

namespace {

FileReadResult Failure() {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FILE_READ_MISSING
                                                                          : FILE_READ_REFUSED;
}

HANDLE Handle(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

}  // namespace

FileReadResult CRegularFile::Open(const std::string& path, FileLinkRule links) {
    Close();
    const bool follow = links == FILE_LINKS_FOLLOWED;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return Failure();
    }
    const DWORD notAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE |
                           (follow ? 0 : FILE_ATTRIBUTE_REPARSE_POINT);
    if ((attributes & notAFile) != 0) {
        return FILE_READ_REFUSED;
    }
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return Failure();
    }
    LARGE_INTEGER bytes = {};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &bytes) || bytes.QuadPart < 0) {
        CloseHandle(file);
        return FILE_READ_REFUSED;
    }
    handle = reinterpret_cast<intptr_t>(file);
    size = static_cast<uint64_t>(bytes.QuadPart);
    readFailed = false;
    return FILE_READ_OK;
}

void CRegularFile::Close() {
    if (IsOpen()) {
        CloseHandle(Handle(handle));
        handle = kNoHandle;
    }
    size = 0;
}

size_t CRegularFile::Read(void* destination, size_t count) {
    size_t done = 0;
    while (IsOpen() && done < count) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1 << 20));
        DWORD got = 0;
        if (!ReadFile(Handle(handle), static_cast<char*>(destination) + done, chunk, &got,
                      nullptr)) {
            readFailed = true;
            break;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

bool CRegularFile::Seek(uint64_t position) {
    LARGE_INTEGER target;
    target.QuadPart = static_cast<LONGLONG>(position);
    return IsOpen() && position <= uint64_t(INT64_MAX) &&
           SetFilePointerEx(Handle(handle), target, nullptr, FILE_BEGIN);
}

#endif
