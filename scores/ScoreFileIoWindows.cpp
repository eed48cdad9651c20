// The score files' file operations on Windows. There are no pipes or device
// files among ordinary names here, but folders and links (reparse points)
// are left alone as on other systems.
#include <algorithm>

#include "devices/DeviceTypes.h"
#include "scores/ScoreFileIo.h"

namespace {

constexpr DWORD kNotAFile =
    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

enum PathKind {
    PATH_MISSING,  // nothing there
    PATH_FILE,     // a plain file
    PATH_OTHER,    // anything else, or something that cannot be looked at
};

PathKind KindOf(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return IsMissing(GetLastError()) ? PATH_MISSING : PATH_OTHER;
    }
    return (attributes & kNotAFile) == 0 ? PATH_FILE : PATH_OTHER;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        DWORD wrote = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
            return false;
        }
        done += wrote;
    }
    return true;
}

}  // namespace

bool PathIsFree(const std::string& path) {
    return KindOf(path) == PATH_MISSING;
}

bool RemoveRegularFile(const std::string& path) {
    switch (KindOf(path)) {
        case PATH_MISSING:
            return true;
        case PATH_FILE:
            return DeleteFileA(path.c_str()) || IsMissing(GetLastError());
        default:
            return false;
    }
}

bool CreateNewFile(const std::string& path, const std::string& bytes, bool text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    // Text files end their lines with CR LF here.
    std::string content;
    if (text) {
        for (char c : bytes) {
            if (c == '\n') {
                content += '\r';
            }
            content += c;
        }
    }
    bool ok = WriteAll(file, text ? content : bytes) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (!ok) {
        DeleteFileA(path.c_str());
    }
    return ok;
}

bool PutFileInPlace(const std::string& from, const std::string& to) {
    if (KindOf(to) == PATH_OTHER) {
        return false;
    }
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool MakePrivateFolder(const std::string& path) {
    for (size_t end = path.find_first_of("/\\", 1);; end = path.find_first_of("/\\", end + 1)) {
        const std::string folder = path.substr(0, end);
        if (!CreateDirectoryA(folder.c_str(), nullptr) && !IsFolder(folder)) {
            return false;
        }
        if (end == std::string::npos) {
            break;
        }
    }
    return IsFolder(path);
}

bool IsPlainFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool ListFolder(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    if (KindOf(path) == PATH_MISSING) {
        return true;
    }
    if (!IsPlainFolder(path)) {
        return false;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search, &found));
    const bool whole = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(search);
    if (!whole) {
        names.clear();
    }
    return whole;
}
