// The two high-score dialogs on GTK: the game-over name entry and the
// top-five list. Both are modal over their owner and run until they end.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <string>
#include <vector>

#include "scores/KeptReplays.h"
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

// Lists the kept replays, one a row (place, score, name, the date in local
// time; the last session's as 前回), and the keys that work while one is
// watched. Returns the index of the one picked with 見る, Enter or a double
// click; -1 when the list was closed (閉じる, Esc, the close box).
int32_t RunReplayListDialog(GtkWindow* owner, const std::vector<SKeptReplay>& replays);

// A kept replay's date as the list shows it: "YYYY/MM/DD HH:MM" in local
// time; empty for an unknown time (0).
std::string ReplayDateText(int64_t unixSeconds);
