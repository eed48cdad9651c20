// The message boxes and the two high-score dialogs of the browser form, as
// HTML dialogs over the page. Each runs modally: the game's thread waits
// until the player answers.
#pragma once

#include <cstdint>
#include <string>

#include "scores/ScoreTable.h"

// A message box with OK, or with Yes and No; true for OK or Yes.
bool RunWebMessageBox(const char* caption, const char* text, bool yesNo);

// Shows the place read from `tempPath` and asks for a name. Returns 1 for OK
// (the name is written back to `tempPath`; when it cannot be, the game's
// save finds no name and says so), 0 otherwise (the close box, or no place
// to show). The list button opens the top five over it.
int32_t RunWebGameOverDialog(const std::string& tempPath = TempFilePath(),
                             const std::string& scorePath = ScoreFilePath(kScoreFileName));

// Shows the top five as stored in `scorePath`; ends at once without a file.
void RunWebHighScoreDialog(const std::string& scorePath = ScoreFilePath(kScoreFileName));
