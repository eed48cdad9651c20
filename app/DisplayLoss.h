// The connection to the X server lost (the server ended, or was killed):
// the toolkit then ends the program on the spot, past every clean-up of its
// own, even while a dialog is open.
#pragma once

#include <gtk/gtk.h>

// Runs `cleanUp` first when the connection to `display` is lost, then lets
// the toolkit end the program as before. Nothing on other window systems.
void CleanUpWhenDisplayIsLost(GdkDisplay* display, void (*cleanUp)());
