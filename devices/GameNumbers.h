// Numbers that several parts of the program, its forms and its build share,
// each said once here. The menu's command numbers are plain macros, so that
// the Windows resource script includes them too and the build can write them
// into the browser's page.
#pragma once

// The menu's commands.
#define IDM_EXIT 1002
#define IDM_VERSION 1003
#define IDM_HIGHSCORES 1004
#define IDM_REPLAYS 1005

#ifndef RC_INVOKED

#include <cstdint>

// The most slots a sound or music player's table may have; a larger count is
// taken as a table that could not be allocated.
constexpr int32_t kMaxPlayerSlots = 4096;

// The music's loop, as the game sets it for both pieces: from this point in
// music time (768 units per quarter note), this many times round.
constexpr int32_t kMusicLoopStart = 500;
constexpr int32_t kMusicLoopRepeats = 65535;
// Every music player ends a loop this many units before the piece's end.
constexpr int32_t kMusicLoopEndMargin = 250;

#endif
