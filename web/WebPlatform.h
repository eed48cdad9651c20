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

    // Whether the browser keeps the score files (its storage could be had).
    void SetScoresKept(bool kept) { scoresKept = kept; }
    // After a name entry the score files may have changed: they go to the
    // browser's storage, at the latest when the tick ends, but first at the
    // wipe that follows the save. A failure is said.
    void KeepScores();

private:
    CPresenter* presenter;
    bool scoresKept = false;
    bool scoresTouched = false;
};
