// The names the world table takes: the game's own rules for a name typed in
// its name entry.
#pragma once

#include <string>

// True when `utf8` is a name the game's name entry could have stored: valid
// UTF-8, one word (no white space, no control characters), every character
// one the score file's code page has, at most 14 bytes in it, not empty.
bool IsPlayerName(const std::string& utf8);

// True when `text` is valid UTF-8 with no NUL byte.
bool IsCleanUtf8(const std::string& text);
