// ミルトとナナ: the desktop program's entry point. The one option it reads
// is --watch FILE, which plays a replay file before the game; everything
// else it needs is built in or lies in the working directory.
#include <cstdio>
#include <cstring>

#include "app/Shell.h"

int main(int argc, char** argv) {
    CShell shell;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--watch") == 0) {
            if (i + 1 >= argc) {
                std::fputs("miruto-nana: --watch takes a replay file: miruto-nana --watch FILE\n",
                           stderr);
                return 2;
            }
            shell.SetWatchFile(argv[++i]);
        }
    }
    return shell.Run();
}
