// The browser form's program: the one game, the pace of its ticks, the menu
// commands and the end of the program. The page (page/game.js) calls the
// web_* functions below, one at a time; those that may wait (a wipe, a
// dialog) return to the page while they wait and finish later.
#include <emscripten.h>
#include <unistd.h>

#include <new>

#include "app/WindowFacts.h"
#include "game/Game.h"
#include "graphics/BitmapSource.h"
#include "web/CanvasPresenter.h"
#include "web/FramePacer.h"
#include "web/WebBindings.h"
#include "web/WebDialogs.h"
#include "web/WebFiles.h"
#include "web/WebPlatform.h"

namespace {

// The menu commands, as the desktop numbers them.
constexpr int32_t kCommandExit = 1002;
constexpr int32_t kCommandVersion = 1003;
constexpr int32_t kCommandHighScores = 1004;

// The title picture, shown when the program has ended.
constexpr int32_t kTitleBitmap = 2016;

enum ProbeField {
    PROBE_STATE = 0,
    PROBE_PAUSED = 1,
    PROBE_SCORE = 2,
    PROBE_TICK = 3,
    PROBE_RUNNING = 4,
};

class CWebShell {
public:
    // Sets up the files and the game; false when the program has ended.
    bool Start();
    // Runs a tick when one is due at this frame; false once the program has
    // ended.
    bool Frame(uint32_t now);
    void Tick();
    void Click(int32_t x, int32_t y);
    void TogglePause();
    // Runs a menu command; false once the program has ended.
    bool Command(int32_t id);
    // Ends the program: the game is taken down and the title shows.
    void End();
    int32_t Probe(int32_t field) const;

private:
    void KeepScores();

    CCanvasPresenter presenter;
    CWebPlatform platform{&presenter};
    CFramePacer pacer;
    CGame* game = nullptr;
    bool running = false;
    bool scoresKept = false;
};

CWebShell& Shell() {
    static CWebShell shell;
    return shell;
}

bool CWebShell::Start() {
    web_set_title(kWindowTitle);
    scoresKept = web_saves_mount(kGameFolder) != 0;
    running = true;
    if (web_install_files(kGameFolder) != 0 && chdir(kGameFolder) == 0) {
        game = new (std::nothrow) CGame(&platform);
    }
    if (game == nullptr || !game->Init(nullptr, kClientWidth, kClientHeight)) {
        RunWebMessageBox("", "初期化に失敗しました", false);
        End();
        return false;
    }
    if (!scoresKept) {
        RunWebMessageBox("ハイスコア", "このブラウザではハイスコアを保存できません。", false);
    }
    return true;
}

bool CWebShell::Frame(uint32_t now) {
    if (running && pacer.Frame(now)) {
        Tick();
    }
    return running;
}

void CWebShell::Tick() {
    if (game == nullptr) {
        return;
    }
    game->Tick();
    if (platform.TakeScoresTouched()) {
        KeepScores();
    }
}

// After the name entry the score files go to the browser's storage at once.
void CWebShell::KeepScores() {
    if (scoresKept && web_saves_flush() == 0) {
        RunWebMessageBox("ハイスコア", "ハイスコアを保存できませんでした。", false);
    }
}

void CWebShell::Click(int32_t x, int32_t y) {
    if (game != nullptr) {
        game->OnClick(x, y);
    }
}

void CWebShell::TogglePause() {
    if (game != nullptr) {
        game->TogglePause();
    }
}

bool CWebShell::Command(int32_t id) {
    if (!running) {
        return false;
    }
    switch (id) {
        case kCommandHighScores:
            RunWebHighScoreDialog();
            break;
        case kCommandExit:
            if (RunWebMessageBox("終了", "終了しますか？", true)) {
                End();
            }
            break;
        case kCommandVersion:
            RunWebMessageBox(kVersionCaption, kVersionText, false);
            break;
        default:
            break;
    }
    return running;
}

void CWebShell::End() {
    running = false;
    delete game;
    game = nullptr;
    CPixelImage title;
    if (LoadBitmapById(kTitleBitmap, &title)) {
        presenter.Show(title.pixels.data(), title.width, title.height, title.width);
    }
}

int32_t CWebShell::Probe(int32_t field) const {
    if (field == PROBE_RUNNING) {
        return running ? 1 : 0;
    }
    if (game == nullptr) {
        return -1;
    }
    switch (field) {
        case PROBE_STATE:
            return game->State();
        case PROBE_PAUSED:
            return game->Paused() ? 1 : 0;
        case PROBE_SCORE:
            return game->Score();
        case PROBE_TICK:
            return game->PlayTick();
        default:
            return -1;
    }
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int32_t web_start() {
    return Shell().Start() ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int32_t web_frame(uint32_t now) {
    return Shell().Frame(now) ? 1 : 0;
}

// One tick at once, whatever the time: the page's test hook.
EMSCRIPTEN_KEEPALIVE void web_tick() {
    Shell().Tick();
}

EMSCRIPTEN_KEEPALIVE void web_click(int32_t x, int32_t y) {
    Shell().Click(x, y);
}

EMSCRIPTEN_KEEPALIVE void web_toggle_pause() {
    Shell().TogglePause();
}

EMSCRIPTEN_KEEPALIVE int32_t web_command(int32_t id) {
    return Shell().Command(id) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void web_end() {
    Shell().End();
}

EMSCRIPTEN_KEEPALIVE int32_t web_probe(int32_t field) {
    return Shell().Probe(field);
}
}
