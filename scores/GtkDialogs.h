// The two high-score dialogs on GTK: the game-over name entry and the
// top-five list. Both are modal over their owner and run until they end.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

// Shows the place read from `tempPath` and asks for a name. Returns 1 when a
// name was written back to `tempPath` (OK), 0 otherwise (the close box, or
// no place to show). The list button opens the top five over it.
int32_t RunGameOverDialog(GtkWindow* owner, const char* tempPath = "work.temp",
                          const char* scorePath = "score.sav");

// Shows the top five as stored in `scorePath`; ends at once without a file.
void RunHighScoreDialog(GtkWindow* owner, const char* scorePath = "score.sav");
