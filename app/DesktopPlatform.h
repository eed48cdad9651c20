// The devices and services the desktop program gives the game: the frame
// buffer drawn through the main window, SDL sound effects, FluidSynth music,
// a real sleep and the name-entry dialog.
#pragma once

#include <string>

#include "devices/Platform.h"

class CPresenter;

class CDesktopPlatform : public CPlatform {
public:
    // `presenter` shows the frames; it must outlive every graphics device made.
    explicit CDesktopPlatform(CPresenter* presenter) : presenter(presenter) {}
    // The folder that holds sound/, for the players made from now on.
    void SetDataFolder(std::string folder) { dataFolder = std::move(folder); }

    CGraphics* CreateGraphics() override;
    CSound* CreateSound() override;
    CMusic* CreateMusic() override;
    void Sleep(uint32_t ms) override;
    int32_t RunGameOverDialog(HWND owner) override;

private:
    CPresenter* presenter;
    std::string dataFolder;
};
