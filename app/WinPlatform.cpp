#include "app/WinPlatform.h"

#include <new>

#include "audio/DMMusic.h"
#include "audio/DSSound.h"
#include "graphics/DDGraphics.h"
#include "resources/WindowsResources.h"
#include "scores/WinDialogs.h"

CGraphics* CWinPlatform::CreateGraphics() {
    return new (std::nothrow) CDDGraphics();
}

CSound* CWinPlatform::CreateSound() {
    return new (std::nothrow) CDSSound();
}

CMusic* CWinPlatform::CreateMusic() {
    return new (std::nothrow) CDMMusic();
}

void CWinPlatform::Sleep(uint32_t ms) {
    ::Sleep(ms);
}

int32_t CWinPlatform::RunGameOverDialog(HWND owner) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    return static_cast<int32_t>(
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_GAMEOVER), owner, GameOverDlgProc, 0));
}
