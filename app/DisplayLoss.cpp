// Kept apart from the rest of the program: the X headers define names (None,
// Status, Bool) that would clash with the game's own.
#include "app/DisplayLoss.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <unistd.h>

namespace {

XIOErrorHandler g_toolkitHandler = nullptr;
void (*g_cleanUp)() = nullptr;

// Xlib calls this once the connection is gone; it must not return.
int OnConnectionLost(Display* display) {
    if (g_cleanUp != nullptr) {
        g_cleanUp();
    }
    if (g_toolkitHandler != nullptr) {
        g_toolkitHandler(display);
    }
    _exit(1);
}

}  // namespace

void CleanUpWhenDisplayIsLost(GdkDisplay* display, void (*cleanUp)()) {
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) {
        return;
    }
    g_cleanUp = cleanUp;
    // The toolkit set its own handler when it opened the display; it still
    // says what happened and ends the program.
    g_toolkitHandler = XSetIOErrorHandler(OnConnectionLost);
}
