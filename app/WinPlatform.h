// What the game gets from the Windows program: DirectDraw, DirectSound and
// DirectMusic devices, the thread's sleep and the name-entry dialog.
#pragma once

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
};
