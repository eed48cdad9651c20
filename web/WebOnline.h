// The page's online play and watching, the shell's side: the recorded
// session started again from the score service's seed, its text handed to
// the page, the world table's name rules, and a stored replay played on the
// canvas in place of the player's game.
#pragma once

class CRecordedSession;
class CWebPlatform;

// The shell's recorded session (null before the game is set up or after
// the program ended) and its platform; defined by the shell.
CRecordedSession* WebSession();
CWebPlatform* WebDevices();

// Runs one tick of the replay being watched; false when none is watched
// (the player's game ticks instead). When the replay is over, the player's
// game is drawn again.
bool RunWebWatchStep();
// Ends any watching without drawing; for the end of the program.
void EndWebWatch();
