// The desktop program: the main window with its menu, the frame loop that
// drives the game, and the routing of keys, clicks and repaints to it.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DesktopPlatform.h"
#include "app/FrameLoop.h"
#include "app/WindowFacts.h"
#include "app/WindowPresenter.h"

class CGame;
class CLastSessionKeeper;
class CRecordedSession;
class CReplayPlayer;

class CShell : private CLoopHost {
public:
    CShell();
    ~CShell() override;
    CShell(const CShell&) = delete;
    CShell& operator=(const CShell&) = delete;

    // Called at the start of every tick, before the game's own, with the
    // game as the tick finds it.
    void SetTickObserver(std::function<void(const CGame&)> observer) {
        tickObserver = std::move(observer);
    }
    // Plays the replay file at `path` as soon as the game has started,
    // from its first game (--watch FILE).
    void SetWatchFile(std::string path) { watchPath = std::move(path); }
    // Opens the window, runs the game until the window goes (or SIGINT,
    // SIGTERM or SIGHUP comes), then takes the game down. Returns the
    // process's exit status: 0, or 1 when the program could not start. While
    // the game is still being set up, those signals end the process at once.
    int Run();

private:
    void CreateMainWindow();
    void ConnectMenu(GtkBuilder* builder);
    // Closes the main window, which ends the frame loop.
    void EndProgram();
    void ShowHighScores();
    void AskToExit();
    void ShowVersion();
    // The list of kept replays, and watching the one picked.
    void ShowReplays();
    // Starts watching the replay file at `path` from game `first` (0 the
    // first, or CReplayPlayer::kLastGame); `kept` for one of the kept
    // replays, read under the score folder's lock and never through a
    // link. What stops it is said in a message box and on standard error.
    void Watch(const std::string& path, size_t first, bool kept);
    // One tick of watching: a step, four when fast, none when paused.
    void WatchTick();
    // Ends watching; the player's own game goes on at its title.
    void EndWatching();
    // The window's title says the keys while a replay is watched.
    void ShowWatchTitle();
    // The replays' menu item works at the title screen only.
    void UpdateReplaysItem();

    bool Running() override { return running; }
    bool DispatchPending() override;
    uint32_t Now() override;
    void Tick() override;
    void Wait(uint32_t ms) override;

    static gboolean OnQuitSignal(gpointer self);
    static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
    static void OnDestroy(GtkWidget* widget, gpointer self);
    static gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
    static void OnAreaRealize(GtkWidget* widget, gpointer self);

    // Counts the dialogs running (and the ticks, which may run one): the
    // main window takes no input meanwhile.
    struct CModalScope {
        explicit CModalScope(int& level) : level(level) { ++level; }
        ~CModalScope() { --level; }
        int& level;
    };

    CWindowPresenter presenter;
    CDesktopPlatform platform;
    // The game, driven through the session that records it.
    CRecordedSession* game = nullptr;
    // Keeps the session's replay as the last session's file.
    std::unique_ptr<CLastSessionKeeper> lastSession;
    // A replay being watched, in a session of its own on the devices below;
    // null when none is. The player's game gets no ticks meanwhile.
    std::unique_ptr<CPlatform> watchDevices;
    std::unique_ptr<CReplayPlayer> watcher;
    bool watchPaused = false;
    bool watchFast = false;
    std::string watchPath;
    GtkWidget* replaysItem = nullptr;
    bool replaysItemOn = true;
    GtkWidget* window = nullptr;
    GtkWidget* area = nullptr;
    GdkCursor* cursor = nullptr;
    // Wakes the loop when the next tick is due: a timer and its source.
    int wakeTimer = -1;
    GSource* wakeSource = nullptr;
    // The signal watches, and the timer that closes dialogs once a signal
    // has come.
    std::vector<guint> signalSources;
    guint closeTimer = 0;
    bool running = false;
    int modalLevel = 0;
    std::function<void(const CGame&)> tickObserver;
};
