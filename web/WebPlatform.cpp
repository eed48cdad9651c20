#include "web/WebPlatform.h"

#include <emscripten.h>

#include <new>

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

void CWebPlatform::KeepScores() {
    if (!scoresTouched) {
        return;
    }
    scoresTouched = false;
    if (scoresKept && web_saves_flush() == 0) {
        RunWebMessageBox("ハイスコア", "ハイスコアを保存できませんでした。", false);
    }
}
