#include "app/DesktopPlatform.h"

#include <chrono>
#include <new>
#include <thread>

#include "app/WindowFacts.h"
#include "audio/FluidSynthMusic.h"
#include "audio/SDLSound.h"
#include "graphics/MemoryGraphics.h"
#include "scores/GtkDialogs.h"

// The game makes its devices in this order; until a device says more
// precisely what failed, the set-up failure names the step.
CGraphics* CDesktopPlatform::CreateGraphics() {
    setupFailure = kGraphicsStepText;
    return new (std::nothrow) CMemoryGraphics(presenter);
}

CSound* CDesktopPlatform::CreateSound() {
    CSDLSound* sound = NewReportingDevice<CSDLSound>(&setupFailure, kSoundStepText);
    if (sound != nullptr) {
        sound->SetDataFolder(dataFolder);
    }
    if (gameSound == nullptr) {
        gameSound = sound;
    }
    return sound;
}

CMusic* CDesktopPlatform::CreateMusic() {
    CFluidSynthMusic* music = NewReportingDevice<CFluidSynthMusic>(&setupFailure, kMusicStepText);
    if (music != nullptr) {
        music->SetDataFolder(dataFolder);
    }
    if (gameMusic == nullptr) {
        gameMusic = music;
    }
    return music;
}

// A plain sleep: the screen wipes hold the program, and window events wait
// until they are over.
void CDesktopPlatform::Sleep(uint32_t ms) {
    if (!ending) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

// The window handles the game holds are the main GtkWindow.
int32_t CDesktopPlatform::RunGameOverDialog(HWND owner) {
    if (ending) {
        return 0;
    }
    return ::RunGameOverDialog(reinterpret_cast<GtkWindow*>(owner));
}

void CDesktopPlatform::ShowMessage(HWND owner, const char* text) {
    RunMessageBox(reinterpret_cast<GtkWidget*>(owner), GTK_MESSAGE_OTHER, GTK_BUTTONS_OK,
                  kWindowTitle, text);
}

gint CDesktopPlatform::RunMessageBox(GtkWidget* owner, GtkMessageType type, GtkButtonsType buttons,
                                     const char* title, const char* text) {
    if (ending) {
        return GTK_RESPONSE_NONE;
    }
    // The buttons carry the game's own words, whatever the desktop's language.
    GtkWidget* box = gtk_message_dialog_new(owner != nullptr ? GTK_WINDOW(owner) : nullptr,
                                            GTK_DIALOG_MODAL, type, GTK_BUTTONS_NONE, "%s", text);
    gtk_window_set_title(GTK_WINDOW(box), title);
    if (buttons == GTK_BUTTONS_YES_NO) {
        // Y and N are the buttons' keys, with Alt as the desktop has them.
        gtk_dialog_add_buttons(GTK_DIALOG(box), "はい(_Y)", GTK_RESPONSE_YES, "いいえ(_N)",
                               GTK_RESPONSE_NO, nullptr);
        gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_YES);
    } else {
        gtk_dialog_add_button(GTK_DIALOG(box), "OK", GTK_RESPONSE_OK);
    }
    const gint response = gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    return response;
}
