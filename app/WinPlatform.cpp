#include "app/WinPlatform.h"

#include <new>

#include "audio/DMMusic.h"
#include "audio/DSSound.h"
#include "audio/WinMidiMusic.h"
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
    // The form's music player (audio/windows.cmake chooses it).
#if defined(GAME_MUSIC_WINMIDI)
    return new (std::nothrow) CWinMidiMusic();
#else
    return new (std::nothrow) CDMMusic();
#endif
}

void CWinPlatform::Sleep(uint32_t ms) {
    ::Sleep(ms);
}

int32_t CWinPlatform::RunGameOverDialog(HWND owner) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    return static_cast<int32_t>(
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_GAMEOVER), owner, GameOverDlgProc, 0));
}
