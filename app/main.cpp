// ミルトとナナ: the desktop program's entry point. It reads no command line,
// no environment and no settings; everything it needs is built in or lies in
// the working directory.
#include "app/Shell.h"

int main() {
    CShell shell;
    return shell.Run();
}
