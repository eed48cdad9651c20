// Where the players read their files from: a path the game gives is taken
// relative to the program's data folder, which the program sets once.
#pragma once

#include <string>

// `path` inside `folder`; `path` itself when it is absolute or no folder is
// set (then it is taken relative to the working folder).
inline std::string InDataFolder(const std::string& folder, const char* path) {
    if (folder.empty() || path == nullptr || path[0] == '/') {
        return path != nullptr ? path : "";
    }
    return folder + "/" + path;
}
