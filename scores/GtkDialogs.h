// The two high-score dialogs on GTK: the game-over name entry and the
// top-five list. Both are modal over their owner and run until they end.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <string>

#include "scores/ScoreTable.h"

// Shows the place read from `tempPath` and asks for a name. Returns 1 on OK,
// with the name written back to `tempPath` (or, when it cannot be written,
// no file there that could be taken for a name), 0 otherwise (the close box,
// or no place to show). The list button opens the top five over it.
int32_t RunGameOverDialog(GtkWindow* owner, const std::string& tempPath = TempFilePath(),
                          const std::string& scorePath = ScoreFilePath(kScoreFileName));

// Shows the top five as stored in `scorePath`; ends at once without a file.
void RunHighScoreDialog(GtkWindow* owner,
                        const std::string& scorePath = ScoreFilePath(kScoreFileName));
