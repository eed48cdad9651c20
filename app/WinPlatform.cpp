#include "app/WinPlatform.h"

#include <new>

#include "app/WindowFacts.h"
#include "audio/DMMusic.h"
#include "audio/DSSound.h"
#include "audio/WinMidiMusic.h"
#include "graphics/DDGraphics.h"
#include "resources/WindowsResources.h"
#include "scores/Cp932.h"
#include "scores/WinDialogs.h"

// The game makes its devices in this order; until a device says more
// precisely what failed, the set-up failure names the step.
CGraphics* CWinPlatform::CreateGraphics() {
    setupFailure = kGraphicsStepText;
    return new (std::nothrow) CDDGraphics();
}

CSound* CWinPlatform::CreateSound() {
    return NewReportingDevice<CDSSound>(&setupFailure, kSoundStepText);
}

CMusic* CWinPlatform::CreateMusic() {
    // The form's music player (audio/windows.cmake chooses it).
#if defined(GAME_MUSIC_WINMIDI)
    return NewReportingDevice<CWinMidiMusic>(&setupFailure, kMusicStepText);
#else
    return NewReportingDevice<CDMMusic>(&setupFailure, kMusicStepText);
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

void CWinPlatform::ShowMessage(HWND owner, const char* text) {
    MessageBoxA(owner, Utf8ToCp932(text).c_str(), Utf8ToCp932(kWindowTitle).c_str(), MB_OK);
}
