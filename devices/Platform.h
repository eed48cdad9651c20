// What the game needs from the program around it: its devices, a way to
// sleep during the screen wipes, the modal name-entry dialog and a message
// box. The desktop, Windows and browser programs supply the real ones; tests
// and tools supply their own.
#pragma once

#include "devices/DeviceTypes.h"
#include "devices/Graphics.h"
#include "devices/Music.h"
#include "devices/Sound.h"

class CPlatform {
public:
    virtual ~CPlatform() {}
    // New, not yet initialised devices; null when one cannot be made.
    virtual CGraphics* CreateGraphics() = 0;
    virtual CSound* CreateSound() = 0;
    virtual CMusic* CreateMusic() = 0;
    // Blocks the game's thread for `ms` milliseconds.
    virtual void Sleep(uint32_t ms) = 0;
    // Runs the name-entry dialog modally over `owner` and returns its result
    // (1 when a name was confirmed).
    virtual int32_t RunGameOverDialog(HWND owner) = 0;
    // Shows `text` (UTF-8) in a modal message box over `owner`, captioned
    // with the game's title, with an OK button; returns when it is closed.
    virtual void ShowMessage(HWND owner, const char* text) = 0;
};
