// The two score dialogs of the Windows program, run with DialogBoxParamA on
// dialog resources 1005 (name entry) and 1012 (top five).
#pragma once

#include "devices/DeviceTypes.h"

// Name entry after a game that ranks: shows the place from the game's
// temporary file, offers "kiri", and on OK writes the name back to it (the game says
// so when it cannot) and ends with 1. The close box ends with 0; Esc does
// nothing.
INT_PTR CALLBACK GameOverDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The top five from "score.sav"; ends at once when there is no file.
INT_PTR CALLBACK HighScoreDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Opens the top-five dialog over `owner` and waits until it is closed.
void ShowHighScores(HWND owner);
