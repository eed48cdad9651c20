// The browser form's program: the one game, the pace of its ticks, the menu
// commands and the end of the program. The page (page/game.js) calls the
// web_* functions below, one at a time; those that may wait (a wipe, a
// dialog) return to the page while they wait and finish later.
#include <emscripten.h>
#include <unistd.h>

#include <new>

#include "app/WindowFacts.h"
#include "devices/GameNumbers.h"
#include "game/Game.h"
#include "graphics/BitmapSource.h"
#include "replay/RecordedSession.h"
#include "web/CanvasPresenter.h"
#include "web/FramePacer.h"
#include "web/WebBindings.h"
#include "web/WebDialogs.h"
#include "web/WebFiles.h"
#include "web/WebPlatform.h"
#include "web/WebScoreKeeper.h"

namespace {

// The database in the browser's storage that keeps the score files: named
// after the game's application ID, so no other program on the same site
// shares it.
constexpr const char* kSaveDatabase = GAME_APP_ID;

// The title picture, shown when the program has ended.
constexpr int32_t kTitleBitmap = 2016;

enum ProbeField {
    PROBE_STATE = 0,
    PROBE_PAUSED = 1,
    PROBE_SCORE = 2,
    PROBE_TICK = 3,
    PROBE_RUNNING = 4,
};

// The program's state. The operations that may wait are the free RunWeb*
// functions below: the names the build keeps ready for waiting
// (asyncify-only.txt).
struct CWebShell {
    CCanvasPresenter presenter;
    CWebPlatform platform{&presenter};
    CFramePacer pacer;
    // The score files, kept in the browser's storage.
    CWebScoreKeeper keeper{&FileScoreKeeper()};
    // The game, driven through the session that records it.
    CRecordedSession* game = nullptr;
    bool running = false;
};

CWebShell& Shell() {
    static CWebShell shell;
    return shell;
}

// Ends the program: the game is taken down and the title shows.
void EndProgram() {
    CWebShell& shell = Shell();
    shell.running = false;
    delete shell.game;
    shell.game = nullptr;
    CPixelImage title;
    if (LoadBitmapById(kTitleBitmap, &title)) {
        shell.presenter.Show(title.pixels.data(), title.width, title.height, title.width);
    }
}

// Sets up the files and the game; false when the program has ended.
bool RunWebStart() {
    CWebShell& shell = Shell();
    web_set_title(kWindowTitle);
    SetScoreFolder(kSaveFolder);
    const bool scoresKept = web_saves_open(kSaveFolder, kSaveDatabase) != 0;
    shell.keeper.SetStored(scoresKept);
    shell.running = true;
    if (web_install_files(kGameFolder) != 0 && chdir(kGameFolder) == 0) {
        shell.game = new (std::nothrow) CRecordedSession(&shell.platform, "web", &shell.keeper);
    }
    if (shell.game == nullptr || !shell.game->Init(nullptr, kClientWidth, kClientHeight)) {
        RunWebMessageBox(kWindowTitle, kStartupFailedText, false);
        EndProgram();
        return false;
    }
    if (!scoresKept) {
        RunWebMessageBox(kWindowTitle, "このブラウザではスコアを記録できません", false);
    }
    return true;
}

void RunWebTick() {
    CWebShell& shell = Shell();
    if (shell.game == nullptr) {
        return;
    }
    shell.game->Tick();
}

// Runs a menu command; false once the program has ended.
bool RunWebCommand(int32_t id) {
    if (!Shell().running) {
        return false;
    }
    switch (id) {
        case IDM_HIGHSCORES:
            RunWebHighScoreDialog();
            break;
        case IDM_EXIT:
            if (RunWebMessageBox(kExitCaption, kExitQuestion, true)) {
                EndProgram();
            }
            break;
        case IDM_VERSION:
            RunWebMessageBox(kVersionCaption, kVersionText, false);
            break;
        default:
            break;
    }
    return Shell().running;
}

int32_t Probe(int32_t field) {
    const CWebShell& shell = Shell();
    if (field == PROBE_RUNNING) {
        return shell.running ? 1 : 0;
    }
    if (shell.game == nullptr) {
        return -1;
    }
    switch (field) {
        case PROBE_STATE:
            return shell.game->Game().State();
        case PROBE_PAUSED:
            return shell.game->Game().Paused() ? 1 : 0;
        case PROBE_SCORE:
            return shell.game->Game().Score();
        case PROBE_TICK:
            return shell.game->Game().PlayTick();
        default:
            return -1;
    }
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int32_t web_start() {
    return RunWebStart() ? 1 : 0;
}

// Runs a tick when one is due at this frame; 0 once the program has ended.
EMSCRIPTEN_KEEPALIVE int32_t web_frame(uint32_t now) {
    CWebShell& shell = Shell();
    if (shell.running && shell.pacer.Frame(now)) {
        RunWebTick();
    }
    return shell.running ? 1 : 0;
}

// One tick at once, whatever the time: the page's test hook.
EMSCRIPTEN_KEEPALIVE void web_tick() {
    RunWebTick();
}

EMSCRIPTEN_KEEPALIVE void web_click(int32_t x, int32_t y) {
    if (Shell().game != nullptr) {
        Shell().game->OnClick(x, y);
    }
}

EMSCRIPTEN_KEEPALIVE void web_toggle_pause() {
    if (Shell().game != nullptr) {
        Shell().game->TogglePause();
    }
}

EMSCRIPTEN_KEEPALIVE int32_t web_command(int32_t id) {
    return RunWebCommand(id) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void web_end() {
    EndProgram();
}

EMSCRIPTEN_KEEPALIVE int32_t web_probe(int32_t field) {
    return Probe(field);
}
}
