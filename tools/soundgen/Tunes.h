// The game's two pieces of music.
#pragma once

#include "tools/soundgen/Piece.h"

// Played during a game: a bright island dance in C major.
SPiece MakePlayTune();

// Played after the game ends: a slow, sad little tune in A minor.
SPiece MakeGameOverTune();
