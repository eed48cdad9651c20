// Where the desktop program finds its sounds and keeps its scores. Both are
// found from the program's own place, never from the working folder alone:
//   - installed (the program in <prefix>/games, its data in
//     <prefix>/share/games/miruto-nana): the sounds from the data folder, the
//     scores in the player's own $XDG_DATA_HOME/miruto-nana (by default
//     ~/.local/share/miruto-nana, with the account's home folder from the
//     password database when $HOME is not set), made on the first save;
//   - anywhere else (the build tree, where sound/ lies beside the program):
//     the sounds from beside the program, the scores in the working folder.
#pragma once

#include <string>

struct SGameFolders {
    // The folder that holds sound/.
    std::string data;
    // The folder of score.sav and the temporary files; empty for the
    // working folder.
    std::string scores;
    // False when an installed game finds no folder of the player's own for
    // the scores (no $XDG_DATA_HOME, no $HOME, and no home folder for the
    // account): it then keeps none.
    bool scoresKept = true;
};

// The home folder of the account the program runs as, from the password
// database; empty when it has none that is a folder.
std::string AccountHome();

// `programPath` is the program's own file, `environment` reads a variable
// (null when unset), `accountHome` stands for AccountHome.
SGameFolders FindGameFolders(const std::string& programPath,
                             const char* (*environment)(const char* name),
                             std::string (*accountHome)() = AccountHome);

// The running program's own file, as the system knows it; empty when unknown.
std::string OwnProgramPath();
