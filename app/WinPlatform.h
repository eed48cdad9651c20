// What the game gets from the Windows program: DirectDraw and DirectSound
// devices, the music player of the form's width (DirectMusic in the 32-bit
// form, the system's MIDI output in the 64-bit one), the thread's sleep, the
// name-entry dialog and message boxes.
#pragma once

#include <string>

#include "devices/Platform.h"

class CWinPlatform : public CPlatform {
public:
    CGraphics* CreateGraphics() override;
    CSound* CreateSound() override;
    // DirectMusic in the 32-bit form, the system's MIDI output in the 64-bit
    // one.
    CMusic* CreateMusic() override;
    void Sleep(uint32_t ms) override;
    int32_t RunGameOverDialog(HWND owner) override;
    void ShowMessage(HWND owner, const char* text) override;

    // One line saying why the devices' set-up failed, for the start-up
    // failure box: the file that could not be loaded, or the step.
    const std::string& SetupFailure() const { return setupFailure; }

private:
    std::string setupFailure;
};
