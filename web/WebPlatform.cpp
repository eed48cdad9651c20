#include "web/WebPlatform.h"

#include <emscripten.h>

#include <new>

#include "app/WindowFacts.h"
#include "game/ScoreMessages.h"
#include "graphics/MemoryGraphics.h"
#include "web/WebBindings.h"
#include "web/WebDialogs.h"
#include "web/WebMusic.h"
#include "web/WebSound.h"

CGraphics* CWebPlatform::CreateGraphics() {
    return new (std::nothrow) CMemoryGraphics(presenter);
}

CSound* CWebPlatform::CreateSound() {
    return new (std::nothrow) CWebSound();
}

CMusic* CWebPlatform::CreateMusic() {
    return new (std::nothrow) CWebMusic();
}

void CWebPlatform::Sleep(uint32_t ms) {
    KeepScores();
    emscripten_sleep(ms);
}

int32_t CWebPlatform::RunGameOverDialog(HWND) {
    scoresTouched = true;
    return RunWebGameOverDialog();
}

void CWebPlatform::ShowMessage(HWND, const char* text) {
    RunWebMessageBox(kWindowTitle, text, false);
}

void CWebPlatform::KeepScores() {
    if (!scoresTouched) {
        return;
    }
    scoresTouched = false;
    if (scoresKept && web_saves_flush() == 0) {
        RunWebMessageBox(kWindowTitle, kScoreNotSavedText, false);
    }
}
