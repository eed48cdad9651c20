// The Windows program: the CWindow class, the fixed 640 x 480 window with its
// menu, and the message queue under the shared frame loop, which runs the
// game every 40 ms.
// clang-format off
#include "devices/DeviceTypes.h"
#include <mmsystem.h>
// clang-format on

#include <cstdio>
#include <new>
#include <string>

#include "app/FrameLoop.h"
#include "app/WinPlatform.h"
#include "app/WindowFacts.h"
#include "game/Game.h"
#include "replay/LastSession.h"
#include "replay/RecordedSession.h"
#include "resources/WindowsResources.h"
#include "scores/Cp932.h"
#include "scores/WinDialogs.h"

namespace {

// The form's name in the replays it records.
#if defined(_WIN64)
constexpr const char* kReplayForm = "windows-x64";
#else
constexpr const char* kReplayForm = "windows-x86";
#endif

// The game, driven through the session that records it, and the keeper of
// its replay as the last session's.
CRecordedSession* g_game = nullptr;
CLastSessionKeeper* g_lastSession = nullptr;
CWinPlatform g_platform;

// The window shows its texts through the code page 932 functions.
std::string Text(const char* utf8) {
    return Utf8ToCp932(utf8);
}

// The start-up failure box, captioned with the game's title, with a second
// line naming what failed; the same goes to standard error.
void SayStartupFailure(HWND window, const std::string& why) {
    std::fputs(StartupFailureLine(why).c_str(), stderr);
    std::fflush(stderr);
    MessageBoxA(window, Text((std::string(kStartupFailedText) + "\n" + why).c_str()).c_str(),
                Text(kWindowTitle).c_str(), MB_OK);
}

void AskExit(HWND window) {
    if (MessageBoxA(window, Text(kExitQuestion).c_str(), Text(kExitCaption).c_str(), MB_YESNO) ==
        IDYES) {
        DestroyWindow(window);
    }
}

void ShowVersion(HWND window) {
    MessageBoxA(window, Text(kVersionText).c_str(), Text(kVersionCaption).c_str(), MB_OK);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            if (g_game != nullptr) {
                g_game->Paint();
            }
            EndPaint(window, &paint);
            return 0;
        }
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                DestroyWindow(window);
            } else if (wParam == VK_RETURN && g_game != nullptr) {
                g_game->TogglePause();
            }
            // Every other key is swallowed.
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDM_EXIT:
                    AskExit(window);
                    break;
                case IDM_VERSION:
                    ShowVersion(window);
                    break;
                case IDM_HIGHSCORES:
                    ShowHighScores(window);
                    break;
                default:
                    break;
            }
            return 0;
        case WM_LBUTTONDOWN:
            if (g_game != nullptr) {
                g_game->OnClick(LOWORD(lParam), HIWORD(lParam));
            }
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The shared frame loop on the Windows message queue: messages first, a game
// tick once 40 ms have passed since the last one started, and between the two
// a sleep until a message comes or the next tick is due.
class CWinLoopHost : public CLoopHost {
public:
    bool Running() override { return !quit; }
    bool DispatchPending() override {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            return false;
        }
        if (msg.message == WM_QUIT) {
            quit = true;
            exitCode = msg.wParam;
        } else {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return true;
    }
    uint32_t Now() override { return timeGetTime(); }
    void Tick() override {
        if (g_game != nullptr) {
            g_game->Tick();
        }
        if (g_lastSession != nullptr && g_lastSession->AfterTick()) {
            g_platform.ShowMessage(window, kLastSessionNotKeptText);
        }
    }
    HWND window = nullptr;
    void Wait(uint32_t ms) override {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    }
    // The quit message's wParam.
    WPARAM ExitCode() const { return exitCode; }

private:
    bool quit = false;
    WPARAM exitCode = 0;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // Ticks are timed to the millisecond.
    timeBeginPeriod(1);

    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_GAME));
    windowClass.hCursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_GAME));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MENU);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);

    HWND window = CreateWindowExA(WS_EX_TOPMOST, kWindowClass, Text(kWindowTitle).c_str(),
                                  WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT, 0, kClientWidth,
                                  kClientHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        SayStartupFailure(nullptr, "ウィンドウを作れません");
        timeEndPeriod(1);
        return 1;
    }

    // Grow the window so that its client area is exactly 640 x 480.
    RECT client;
    RECT frame;
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    int width = kClientWidth + (frame.right - frame.left) - (client.right - client.left);
    int height = kClientHeight + (frame.bottom - frame.top) - (client.bottom - client.top);
    MoveWindow(window, kWindowX, kWindowY, width, height, TRUE);
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    bool started = true;
    g_game = new (std::nothrow) CRecordedSession(&g_platform, kReplayForm);
    if (g_game == nullptr || !g_game->Init(window, kClientWidth, kClientHeight)) {
        started = false;
        SayStartupFailure(window, g_platform.SetupFailure());
        DestroyWindow(window);
    }

    if (started) {
        g_lastSession = new (std::nothrow) CLastSessionKeeper(g_game);
    }

    CWinLoopHost loop;
    loop.window = window;
    RunFrameLoop(loop);
    const WPARAM result = loop.ExitCode();

    if (g_lastSession != nullptr && !g_lastSession->Finish()) {
        std::fputs("miruto-nana: ", stderr);
        std::fputs(kLastSessionNotKeptText, stderr);
        std::fputs("\n", stderr);
        MessageBoxA(nullptr, Text(kLastSessionNotKeptText).c_str(), Text(kWindowTitle).c_str(),
                    MB_OK);
    }
    delete g_lastSession;
    g_lastSession = nullptr;
    delete g_game;
    g_game = nullptr;
    timeEndPeriod(1);
    return started ? static_cast<int>(result) : 1;
}
