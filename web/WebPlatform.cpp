#include "web/WebPlatform.h"

#include <emscripten.h>

#include <new>

#include "app/WindowFacts.h"
#include "graphics/MemoryGraphics.h"
#include "web/WebDialogs.h"
#include "web/WebMusic.h"
#include "web/WebSound.h"

CGraphics* CWebPlatform::CreateGraphics() {
    return new (std::nothrow) CMemoryGraphics(presenter);
}

CSound* CWebPlatform::CreateSound() {
    gameSound = new (std::nothrow) CWebSound();
    return gameSound;
}

CMusic* CWebPlatform::CreateMusic() {
    gameMusic = new (std::nothrow) CWebMusic();
    return gameMusic;
}

void CWebPlatform::Sleep(uint32_t ms) {
    emscripten_sleep(ms);
}

int32_t CWebPlatform::RunGameOverDialog(HWND) {
    return RunWebGameOverDialog();
}

void CWebPlatform::ShowMessage(HWND, const char* text) {
    RunWebMessageBox(kWindowTitle, text, false);
}
