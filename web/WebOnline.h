// The page's online play, the shell's side: the recording started afresh
// from the score service's seed, its text handed to the page, the world
// table's name rules, and a stored replay handed to the shell's watching.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CRecordedSession;

// Defined by the shell: its recorded session (null before the game is set
// up or after the program ended), and its watching of `text` from game
// `first` (0 the first): 1 when it started, 0 when the replay cannot be
// played (the player is told), -1 away from the title screen or while a
// replay is watched already.
CRecordedSession* WebSession();
int32_t RunWebWatchReplay(const std::string& text, size_t first);
