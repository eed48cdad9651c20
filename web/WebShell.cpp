// The browser form's program: the one game, the pace of its ticks, the menu
// commands and the end of the program. The page (page/game.js) calls the
// web_* functions below, one at a time; those that may wait (a wipe, a
// dialog) return to the page while they wait and finish later.
#include <emscripten.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/WindowFacts.h"
#include "devices/GameNumbers.h"
#include "devices/RegularFile.h"
#include "game/Game.h"
#include "graphics/BitmapSource.h"
#include "replay/BorrowedDevices.h"
#include "replay/LastSession.h"
#include "replay/RecordedSession.h"
#include "replay/ReplayPlayer.h"
#include "replay/ReplayScript.h"
#include "scores/Cp932.h"
#include "scores/KeptReplays.h"
#include "web/CanvasPresenter.h"
#include "web/FramePacer.h"
#include "web/WebBindings.h"
#include "web/WebDialogs.h"
#include "web/WebFiles.h"
#include "web/WebOnline.h"
#include "web/WebPlatform.h"
#include "web/WebScoreKeeper.h"

namespace {

// The database in the browser's storage that keeps the score files: named
// after the game's application ID, so no other program on the same site
// shares it.
constexpr const char* kSaveDatabase = GAME_APP_ID;

// The title picture, shown when the program has ended.
constexpr int32_t kTitleBitmap = 2016;

// The last session's replay, in the folder of the kept files.
const std::string kLastSessionName = std::string(kReplayFolderName) + "/" + kLastSessionFileName;
// Where a replay from the player's disk or from the page's link is put to
// be read.
constexpr const char* kOpenedReplayPath = "/tmp/opened.replay";

constexpr const char* kReplaysAtTitleText = "リプレイはタイトル画面で見られます";
constexpr const char* kReplayOtherSiteText = "このページと同じサイトのリプレイしか見られません";

enum ProbeField {
    PROBE_STATE = 0,
    PROBE_PAUSED = 1,
    PROBE_SCORE = 2,
    PROBE_TICK = 3,
    PROBE_RUNNING = 4,
    // 0 not watching; 1 watching; 2 paused; 3 fast.
    PROBE_WATCHING = 5,
    // The watched game's state and score; -1 when none is watched.
    PROBE_WATCH_STATE = 6,
    PROBE_WATCH_SCORE = 7,
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
    bool scoresKept = false;
    std::unique_ptr<CLastSessionKeeper> lastSession;
    bool lastSessionFailed = false;
    // A replay being watched, in a session of its own: the player's game
    // waits at its title meanwhile and is never touched.
    CWatchDevices<CWebPlatform> watchDevices{&platform};
    std::unique_ptr<CReplayPlayer> watcher;
    bool watchPaused = false;
    bool watchFast = false;
};

CWebShell& Shell() {
    static CWebShell shell;
    return shell;
}

// Ends the program: the game is taken down and the title shows.
void EndProgram() {
    CWebShell& shell = Shell();
    shell.running = false;
    shell.watcher.reset();
    shell.lastSession.reset();
    delete shell.game;
    shell.game = nullptr;
    CPixelImage title;
    if (LoadBitmapById(kTitleBitmap, &title)) {
        shell.presenter.Show(title.pixels.data(), title.width, title.height, title.width);
    }
}

void RunWebWatchLinked();

// Sets up the files and the game; false when the program has ended.
bool RunWebStart() {
    CWebShell& shell = Shell();
    web_set_title(kWindowTitle);
    SetScoreFolder(kSaveFolder);
    const bool scoresKept = web_saves_open(kSaveFolder, kSaveDatabase) != 0;
    shell.keeper.SetStored(scoresKept);
    shell.scoresKept = scoresKept;
    shell.running = true;
    if (web_install_files(kGameFolder) != 0 && chdir(kGameFolder) == 0) {
        shell.game = new (std::nothrow) CRecordedSession(&shell.platform, "web", &shell.keeper);
    }
    if (shell.game == nullptr || !shell.game->Init(nullptr, kClientWidth, kClientHeight)) {
        RunWebMessageBox(kWindowTitle, kStartupFailedText, false);
        EndProgram();
        return false;
    }
    shell.lastSession = std::make_unique<CLastSessionKeeper>(shell.game);
    if (!scoresKept) {
        RunWebMessageBox(kWindowTitle, "このブラウザではスコアを記録できません", false);
    }
    RunWebWatchLinked();
    return true;
}

void ShowWatchTitle() {
    const CWebShell& shell = Shell();
    web_set_title(!shell.watcher      ? kWindowTitle
                  : shell.watchPaused ? kWatchPausedTitle
                  : shell.watchFast   ? kWatchFastTitle
                                      : kWatchTitle);
}

void EndWatching() {
    CWebShell& shell = Shell();
    shell.watcher.reset();
    ShowWatchTitle();
    if (shell.game != nullptr) {
        shell.game->Paint();
    }
}

// Plays the replay `text` from game `first`, while the player's game waits
// at its title; a replay that cannot be played is said.
void RunWebWatch(const std::string& text, size_t first) {
    CWebShell& shell = Shell();
    if (shell.game == nullptr || shell.watcher) {
        return;
    }
    auto player = std::make_unique<CReplayPlayer>(&shell.watchDevices);
    std::string error;
    if (!player->Start(text, first, nullptr, kClientWidth, kClientHeight, &error)) {
        std::fprintf(stderr, "replay: %s\n", error.c_str());
        RunWebMessageBox(kWindowTitle, kReplayUnplayableText, false);
        return;
    }
    shell.watcher = std::move(player);
    shell.watchPaused = false;
    shell.watchFast = false;
    ShowWatchTitle();
}

// Plays the replay file at `path` (one the page put into the program's
// files) from its first game.
void RunWebWatchFile(const char* path) {
    std::string text;
    const FileReadResult read = ReadRegularFile(path, text, kReplayMaxBytes, FILE_LINKS_FOLLOWED);
    unlink(path);
    if (read != FILE_READ_OK) {
        RunWebMessageBox(kWindowTitle,
                         read == FILE_READ_MISSING ? kReplayMissingText : kReplayUnreadableText,
                         false);
        return;
    }
    RunWebWatch(text, 0);
}

// The replay that the page's link names, if it names one.
void RunWebWatchLinked() {
    switch (web_replay_fetch_linked(kOpenedReplayPath)) {
        case 1:
            RunWebWatchFile(kOpenedReplayPath);
            break;
        case 0:
            RunWebMessageBox(kWindowTitle, kReplayUnreadableText, false);
            break;
        case -1:
            RunWebMessageBox(kWindowTitle, kReplayMissingText, false);
            break;
        case -2:
            RunWebMessageBox(kWindowTitle, kReplayOtherSiteText, false);
            break;
        default:
            break;
    }
}

void RunWebWatchTick() {
    CWebShell& shell = Shell();
    const int32_t steps = shell.watchPaused ? 0 : shell.watchFast ? kWatchFastSteps : 1;
    for (int32_t i = 0; i < steps && shell.watcher; ++i) {
        if (!shell.watcher->Step()) {
            const std::string error = shell.watcher->Error();
            EndWatching();
            if (!error.empty()) {
                std::fprintf(stderr, "replay: %s\n", error.c_str());
                RunWebMessageBox(kWindowTitle, kReplayBrokenText, false);
            }
        }
    }
}

// The last session's replay, kept in the folder after each game over and
// every minute of play, goes to the browser's storage when it changed.
void RunWebKeepLastSession() {
    CWebShell& shell = Shell();
    bool failed = shell.lastSession && shell.lastSession->AfterTick();
    if (shell.scoresKept && web_saves_changed(kLastSessionName.c_str()) != 0 &&
        web_saves_put(kLastSessionName.c_str()) == 0 && !shell.lastSessionFailed) {
        shell.lastSessionFailed = true;
        failed = true;
    }
    if (failed) {
        RunWebMessageBox(kWindowTitle, kLastSessionNotKeptText, false);
    }
}

void RunWebTick() {
    CWebShell& shell = Shell();
    if (shell.game == nullptr) {
        return;
    }
    if (shell.watcher) {
        RunWebWatchTick();
        return;
    }
    shell.game->Tick();
    RunWebKeepLastSession();
}

// The kept replays' list: 見る plays one, 保存 hands its file to the player,
// and a file from the player's disk plays from its first game.
void RunWebReplays() {
    CWebShell& shell = Shell();
    if (shell.game == nullptr || shell.watcher) {
        return;
    }
    if (shell.game->Game().State() != STATE_TITLE) {
        RunWebMessageBox(kWindowTitle, kReplaysAtTitleText, false);
        return;
    }
    if (shell.scoresKept) {
        web_saves_pull();
    }
    std::vector<SKeptReplay> kept;
    LoadKeptReplays(kept);
    std::string lines;
    for (const SKeptReplay& replay : kept) {
        // The fields' separators never come from a name.
        std::string name = Cp932ToUtf8(replay.name);
        std::replace_if(
            name.begin(), name.end(), [](char c) { return c == '\t' || c == '\n'; }, ' ');
        lines += std::to_string(replay.place) + "\t" + std::to_string(replay.score) + "\t" + name +
                 "\t" + std::to_string(replay.time) + "\n";
    }
    for (;;) {
        const int32_t answer = web_replay_list_run(lines.c_str(), kOpenedReplayPath);
        if (answer == -2) {
            RunWebWatchFile(kOpenedReplayPath);
            return;
        }
        if (answer == -3 || answer == -4) {
            RunWebMessageBox(kWindowTitle, kReplayUnreadableText, false);
            continue;
        }
        const size_t index = answer > 0 ? static_cast<size_t>((answer - 1) / 4) : kept.size();
        if (index >= kept.size()) {
            return;
        }
        const SKeptReplay& replay = kept[index];
        std::string text;
        const FileReadResult read = ReadKeptReplay(replay.path, text, kReplayMaxBytes);
        if (read != FILE_READ_OK) {
            RunWebMessageBox(kWindowTitle,
                             read == FILE_READ_MISSING ? kReplayMissingText : kReplayUnreadableText,
                             false);
            continue;
        }
        if ((answer - 1) % 4 == 0) {
            // A row's replay from the game that earned the row; the last
            // session's from its start.
            RunWebWatch(text, replay.place != 0 ? CReplayPlayer::kLastGame : 0);
            return;
        }
        const size_t slash = replay.path.find_last_of('/');
        web_replay_download(replay.path.substr(slash + 1).c_str(), text.data(),
                            static_cast<int32_t>(text.size()));
    }
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
        case IDM_REPLAYS:
            RunWebReplays();
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
    if (field == PROBE_WATCHING) {
        return !shell.watcher ? 0 : shell.watchPaused ? 2 : shell.watchFast ? 3 : 1;
    }
    if (field == PROBE_WATCH_STATE || field == PROBE_WATCH_SCORE) {
        const CGame* watched = shell.watcher ? shell.watcher->Game() : nullptr;
        if (watched == nullptr) {
            return -1;
        }
        return field == PROBE_WATCH_STATE ? watched->State() : watched->Score();
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

CRecordedSession* WebSession() {
    return Shell().game;
}

int32_t RunWebWatchReplay(const std::string& text, size_t first) {
    const CWebShell& shell = Shell();
    if (shell.game == nullptr || shell.watcher || shell.game->Game().State() != STATE_TITLE) {
        return -1;
    }
    RunWebWatch(text, first);
    return shell.watcher ? 1 : 0;
}

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

// A replay being watched takes its clicks from the replay.
EMSCRIPTEN_KEEPALIVE void web_click(int32_t x, int32_t y) {
    if (Shell().game != nullptr && !Shell().watcher) {
        Shell().game->OnClick(x, y);
    }
}

// Enter: pauses or resumes the game, or the replay being watched.
EMSCRIPTEN_KEEPALIVE void web_toggle_pause() {
    CWebShell& shell = Shell();
    if (shell.watcher) {
        shell.watchPaused = !shell.watchPaused;
        ShowWatchTitle();
    } else if (shell.game != nullptr) {
        shell.game->TogglePause();
    }
}

// F: the replay being watched four times as fast, or back.
EMSCRIPTEN_KEEPALIVE void web_toggle_fast() {
    CWebShell& shell = Shell();
    if (shell.watcher) {
        shell.watchFast = !shell.watchFast;
        ShowWatchTitle();
    }
}

// Esc: ends watching, or else the program; 0 once the program has ended.
EMSCRIPTEN_KEEPALIVE int32_t web_escape() {
    if (Shell().watcher) {
        EndWatching();
        return 1;
    }
    EndProgram();
    return 0;
}

// Waits: plays the replay file at `path` in the program's files from its
// first game (the page puts it there), unless a replay is watched already
// or the game is not at its title. The file is removed once read.
EMSCRIPTEN_KEEPALIVE void web_watch_file(const char* path) {
    CWebShell& shell = Shell();
    if (shell.game != nullptr && !shell.watcher && shell.game->Game().State() == STATE_TITLE) {
        RunWebWatchFile(path);
    } else {
        unlink(path);
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
