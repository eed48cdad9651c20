// The desktop program with a tick log: every tick writes its start time in
// microseconds of the monotonic clock, the game's state and its pause flag to
// standard output, one line a tick. tools/measure/measure.py reads it.
#include <glib.h>

#include <cinttypes>
#include <cstdio>

#include "app/Shell.h"
#include "game/Game.h"

int main() {
    CShell shell;
    shell.SetTickObserver([](const CGame& game) {
        std::printf("%" PRId64 " %d %d\n", static_cast<int64_t>(g_get_monotonic_time()),
                    static_cast<int>(game.State()), game.Paused() ? 1 : 0);
        std::fflush(stdout);
    });
    return shell.Run();
}
