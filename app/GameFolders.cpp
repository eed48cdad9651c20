#include "app/GameFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The player's data folder: $XDG_DATA_HOME when it is an absolute path,
// otherwise .local/share in $HOME, or in the account's home folder when
// $HOME is not set; empty without either.
std::string UserDataFolder(const char* (*environment)(const char*), std::string (*accountHome)()) {
    const char* xdg = environment("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    const char* home = environment("HOME");
    const std::string folder = home != nullptr && home[0] != '\0' ? home : accountHome();
    return folder.empty() ? "" : folder + "/.local/share";
}

}  // namespace

std::string AccountHome() {
    std::vector<char> buffer(16384);
    passwd entry;
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/' ||
        !IsFolder(found->pw_dir)) {
        return "";
    }
    return found->pw_dir;
}

SGameFolders FindGameFolders(const std::string& programPath,
                             const char* (*environment)(const char* name),
                             std::string (*accountHome)()) {
    const std::string programFolder = FolderOf(programPath);
    const std::string installed = programFolder + "/" GAME_DATA_FROM_PROGRAM;
    if (IsFolder(installed + "/sound")) {
        const std::string user = UserDataFolder(environment, accountHome);
        if (user.empty()) {
            return SGameFolders{installed, "", false};
        }
        return SGameFolders{installed, user + "/miruto-nana"};
    }
    return SGameFolders{programFolder, ""};
}

std::string OwnProgramPath() {
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) {
        return "";
    }
    return std::string(buffer.data(), static_cast<size_t>(length));
}
