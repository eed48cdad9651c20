// The devices and services the browser form gives the game: the frame
// buffer shown on the canvas, Web Audio effects and music, a sleep that lets
// the page draw, the name-entry dialog and message boxes.
#pragma once

#include "devices/Platform.h"

class CPresenter;

class CWebPlatform : public CPlatform {
public:
    // `presenter` shows the frames; it must outlive every graphics device made.
    explicit CWebPlatform(CPresenter* presenter) : presenter(presenter) {}

    CGraphics* CreateGraphics() override;
    CSound* CreateSound() override;
    CMusic* CreateMusic() override;
    // The screen wipes show each step: the page draws while the game waits.
    void Sleep(uint32_t ms) override;
    int32_t RunGameOverDialog(HWND owner) override;
    void ShowMessage(HWND owner, const char* text) override;

    // The game's sound and music players, the last ones made (a replay
    // being watched borrows them).
    CSound* GameSound() const { return gameSound; }
    CMusic* GameMusic() const { return gameMusic; }

private:
    CPresenter* presenter;
    CSound* gameSound = nullptr;
    CMusic* gameMusic = nullptr;
};
