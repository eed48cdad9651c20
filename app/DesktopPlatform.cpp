#include "app/DesktopPlatform.h"

#include <gtk/gtk.h>

#include <chrono>
#include <new>
#include <thread>

#include "audio/FluidSynthMusic.h"
#include "audio/SDLSound.h"
#include "graphics/MemoryGraphics.h"
#include "scores/GtkDialogs.h"

CGraphics* CDesktopPlatform::CreateGraphics() {
    return new (std::nothrow) CMemoryGraphics(presenter);
}

CSound* CDesktopPlatform::CreateSound() {
    auto* sound = new (std::nothrow) CSDLSound();
    if (sound != nullptr) {
        sound->SetDataFolder(dataFolder);
    }
    return sound;
}

CMusic* CDesktopPlatform::CreateMusic() {
    auto* music = new (std::nothrow) CFluidSynthMusic();
    if (music != nullptr) {
        music->SetDataFolder(dataFolder);
    }
    return music;
}

// A plain sleep: the screen wipes hold the program, and window events wait
// until they are over.
void CDesktopPlatform::Sleep(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The window handles the game holds are the main GtkWindow.
int32_t CDesktopPlatform::RunGameOverDialog(HWND owner) {
    return ::RunGameOverDialog(reinterpret_cast<GtkWindow*>(owner));
}
