// The desktop program: the main window with its menu, the frame loop that
// drives the game, and the routing of keys, clicks and repaints to it.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "app/DesktopPlatform.h"
#include "app/FrameLoop.h"
#include "app/WindowFacts.h"
#include "app/WindowPresenter.h"

class CGame;
class CRecordedSession;

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
    // Opens the window, runs the game until the window goes (or SIGINT,
    // SIGTERM or SIGHUP comes), then takes the game down. Returns the
    // process's exit status: 0, or 1 when the program could not start.
    int Run();

private:
    void CreateMainWindow();
    void ConnectMenu(GtkBuilder* builder);
    // Closes the main window, which ends the frame loop.
    void EndProgram();
    void ShowHighScores();
    void AskToExit();
    void ShowVersion();

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
