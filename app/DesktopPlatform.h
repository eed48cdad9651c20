// The devices and services the desktop program gives the game: the frame
// buffer drawn through the main window, SDL sound effects, FluidSynth music,
// a real sleep, the name-entry dialog and message boxes.
#pragma once

#include <gtk/gtk.h>

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
    void ShowMessage(HWND owner, const char* text) override;

    // A modal message box over `owner` with the caption `title`; returns the
    // button's response.
    gint RunMessageBox(GtkWidget* owner, GtkMessageType type, GtkButtonsType buttons,
                       const char* title, const char* text);
    // The program is ending: from now on no dialog or message box opens and
    // the screen wipes do not wait.
    void BeginEnding() { ending = true; }
    // One line saying why the devices' set-up failed, for the start-up
    // failure box: the file that could not be loaded, or the step.
    const std::string& SetupFailure() const { return setupFailure; }
    // The sound and music players made first: the running game's, which a
    // replay being watched borrows. Null before they are made.
    CSound* GameSound() const { return gameSound; }
    CMusic* GameMusic() const { return gameMusic; }

private:
    CPresenter* presenter;
    std::string dataFolder;
    bool ending = false;
    std::string setupFailure;
    CSound* gameSound = nullptr;
    CMusic* gameMusic = nullptr;
};
