#include "app/Shell.h"

#include <glib-unix.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>

#include "app/DisplayLoss.h"
#include "app/GameFolders.h"
#include "app/WindowFacts.h"
#include "game/Game.h"
#include "replay/BorrowedDevices.h"
#include "replay/LastSession.h"
#include "replay/RecordedSession.h"
#include "replay/ReplayPlayer.h"
#include "replay/ReplayScript.h"
#include "resources/GameResources.h"
#include "scores/GtkDialogs.h"
#include "scores/KeptReplays.h"
#include "scores/ScoreTable.h"

namespace {

// The signals that end the program as its close box does.
constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Says on standard error why the program could not start.
void SayStartupFailure(const std::string& why) {
    std::fputs(StartupFailureLine(why).c_str(), stderr);
    std::fflush(stderr);
}

// One line on standard error, after the program's name.
void SayLine(const std::string& text) {
    std::fprintf(stderr, "miruto-nana: %s\n", text.c_str());
    std::fflush(stderr);
}

// Closes every window of the program's but `keep`, as their close boxes
// would: dialogs end unanswered.
void CloseWindowsBut(GtkWidget* keep) {
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item != nullptr; item = item->next) {
        GtkWindow* other = GTK_WINDOW(item->data);
        if (GTK_WIDGET(other) != keep && gtk_window_get_window_type(other) == GTK_WINDOW_TOPLEVEL &&
            gtk_widget_get_visible(GTK_WIDGET(other))) {
            gtk_window_close(other);
        }
    }
    g_list_free(windows);
}

GdkPixbuf* LoadPixbuf(const char* path) {
    return gdk_pixbuf_new_from_resource(path, nullptr);
}

// The wake-up timer only has to end the loop's wait: take its expiry count
// so that it stops reporting itself ready.
gboolean OnWakeTimer(gint fd, GIOCondition, gpointer) {
    uint64_t expiries = 0;
    if (read(fd, &expiries, sizeof expiries) < 0) {
        // Nothing to take: woken for something else.
    }
    return G_SOURCE_CONTINUE;
}

// Keys that stay with the menu bar: Alt combinations and F10.
bool IsMenuKey(const GdkEventKey* event) {
    if ((event->state & GDK_MOD1_MASK) != 0) {
        return true;
    }
    switch (event->keyval) {
        case GDK_KEY_Alt_L:
        case GDK_KEY_Alt_R:
        case GDK_KEY_Meta_L:
        case GDK_KEY_Meta_R:
        case GDK_KEY_F10:
            return true;
        default:
            return false;
    }
}

}  // namespace

CShell::CShell()
    : presenter(kClientWidth, kClientHeight),
      platform(&presenter),
      watchDevices(std::make_unique<CWatchDevices<CDesktopPlatform>>(&platform)) {}

CShell::~CShell() {
    watcher.reset();
    lastSession.reset();
    for (guint source : signalSources) {
        g_source_remove(source);
    }
    if (closeTimer != 0) {
        g_source_remove(closeTimer);
    }
    delete game;
    if (window != nullptr) {
        gtk_widget_destroy(window);
    }
    if (cursor != nullptr) {
        g_object_unref(cursor);
    }
    if (wakeSource != nullptr) {
        g_source_destroy(wakeSource);
        g_source_unref(wakeSource);
    }
    if (wakeTimer >= 0) {
        close(wakeTimer);
    }
}

int CShell::Run() {
    // Until the game has started, a quit signal ends the program at once:
    // nothing is kept yet, and a set-up step that waits (on a file, a
    // sound server) would hold a signal that only the frame loop takes.
    for (int signal : kQuitSignals) {
        std::signal(signal, SIG_DFL);
    }
    RegisterGameResources();
    const SGameFolders folders = FindGameFolders(
        OwnProgramPath(), [](const char* name) -> const char* { return std::getenv(name); });
    platform.SetDataFolder(folders.data);
    if (folders.scoresKept) {
        SetScoreFolder(folders.scores);
    } else {
        SetNoScoreFolder();
    }
    // The window's class, as the window system sees it.
    g_set_prgname(kWindowClass);
    gdk_set_program_class(kWindowClass);
    if (!gtk_init_check(nullptr, nullptr)) {
        const char* display = g_getenv("DISPLAY");
        SayStartupFailure(std::string("画面に接続できません（DISPLAY=") +
                          (display != nullptr ? display : "") + "）");
        return 1;
    }
    // A name entry's temporary file is not left behind by an X server that
    // goes away under it.
    CleanUpWhenDisplayIsLost(gdk_display_get_default(), [] { DeleteTemp(); });
    // The tick's wake-up: a timer on the same clock as g_get_monotonic_time,
    // exact to the microsecond where the loop's own timeouts are whole
    // milliseconds rounded up.
    wakeTimer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (wakeTimer >= 0) {
        wakeSource = g_unix_fd_source_new(wakeTimer, G_IO_IN);
        g_source_set_callback(wakeSource, G_SOURCE_FUNC(OnWakeTimer), nullptr, nullptr);
        g_source_attach(wakeSource, nullptr);
    }

    CreateMainWindow();
    running = true;

    int status = 0;
    game = new (std::nothrow) CRecordedSession(&platform, "linux");
    const bool started =
        game != nullptr && game->Init(reinterpret_cast<HWND>(window), kClientWidth, kClientHeight);
    // From here on a quit signal ends the program as its close box does,
    // the failure box included.
    for (int signal : kQuitSignals) {
        signalSources.push_back(g_unix_signal_add(signal, G_SOURCE_FUNC(OnQuitSignal), this));
    }
    if (started) {
        lastSession = std::make_unique<CLastSessionKeeper>(game);
        if (!watchPath.empty()) {
            Watch(watchPath, 0, false);
        }
    } else {
        // The box and standard error name what failed.
        status = 1;
        const std::string why = platform.SetupFailure();
        SayStartupFailure(why);
        CModalScope modal(modalLevel);
        const std::string text = std::string(kStartupFailedText) + "\n" + why;
        platform.RunMessageBox(window, GTK_MESSAGE_OTHER, GTK_BUTTONS_OK, kWindowTitle,
                               text.c_str());
        EndProgram();
    }

    RunFrameLoop(*this);

    watcher.reset();
    if (lastSession && !lastSession->Finish()) {
        SayLine(kLastSessionNotKeptText);
    }
    lastSession.reset();
    // The game goes before the presenter its drawing device shows frames with.
    delete game;
    game = nullptr;
    return status;
}

void CShell::CreateMainWindow() {
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* win = GTK_WINDOW(window);
    gtk_window_set_title(win, kWindowTitle);
    gtk_window_set_resizable(win, FALSE);
    gtk_window_set_keep_above(win, TRUE);
    gtk_window_move(win, kWindowX, kWindowY);
    if (GdkPixbuf* icon = LoadPixbuf("/game/icons/999.ico")) {
        gtk_window_set_icon(win, icon);
        g_object_unref(icon);
    }
    g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(window, "destroy", G_CALLBACK(OnDestroy), this);
    g_signal_connect(window, "key-press-event", G_CALLBACK(OnKeyPress), this);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(window), box);

    // The menu bar sits above the game's picture, outside its 640 x 480.
    GtkBuilder* builder = gtk_builder_new();
    if (gtk_builder_add_from_resource(builder, "/game/ui/menu.ui", nullptr) != 0) {
        if (GObject* bar = gtk_builder_get_object(builder, "menubar")) {
            gtk_box_pack_start(GTK_BOX(box), GTK_WIDGET(bar), FALSE, FALSE, 0);
            ConnectMenu(builder);
        }
    }
    g_object_unref(builder);

    area = gtk_drawing_area_new();
    gtk_widget_set_size_request(area, kClientWidth, kClientHeight);
    gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK);
    g_signal_connect(area, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(area, "button-press-event", G_CALLBACK(OnButtonPress), this);
    g_signal_connect(area, "realize", G_CALLBACK(OnAreaRealize), this);
    gtk_box_pack_start(GTK_BOX(box), area, FALSE, FALSE, 0);

    presenter.Attach(area);
    gtk_widget_show_all(window);
}

void CShell::ConnectMenu(GtkBuilder* builder) {
    const struct {
        const char* id;
        void (*run)(GtkMenuItem*, gpointer);
    } commands[] = {
        {"highscore_item",
         [](GtkMenuItem*, gpointer self) { static_cast<CShell*>(self)->ShowHighScores(); }},
        {"replays_item",
         [](GtkMenuItem*, gpointer self) { static_cast<CShell*>(self)->ShowReplays(); }},
        {"quit_item", [](GtkMenuItem*, gpointer self) { static_cast<CShell*>(self)->AskToExit(); }},
        {"version_item",
         [](GtkMenuItem*, gpointer self) { static_cast<CShell*>(self)->ShowVersion(); }},
    };
    for (const auto& command : commands) {
        if (GObject* item = gtk_builder_get_object(builder, command.id)) {
            g_signal_connect(item, "activate", G_CALLBACK(command.run), this);
        }
    }
    replaysItem = GTK_WIDGET(gtk_builder_get_object(builder, "replays_item"));
}

void CShell::EndProgram() {
    running = false;
    if (window != nullptr) {
        gtk_widget_destroy(window);  // OnDestroy forgets the widgets
    }
}

void CShell::ShowHighScores() {
    if (window != nullptr) {
        CModalScope modal(modalLevel);
        RunHighScoreDialog(GTK_WINDOW(window));
    }
}

void CShell::ShowReplays() {
    if (window == nullptr || watcher || game == nullptr || game->Game().State() != STATE_TITLE) {
        return;
    }
    CModalScope modal(modalLevel);
    std::vector<SKeptReplay> kept;
    LoadKeptReplays(kept);
    if (kept.empty()) {
        platform.ShowMessage(reinterpret_cast<HWND>(window), kNoReplaysText);
        return;
    }
    const int32_t picked = RunReplayListDialog(GTK_WINDOW(window), kept);
    if (picked >= 0 && window != nullptr) {
        const SKeptReplay& replay = kept[static_cast<size_t>(picked)];
        // A row's replay from the game that earned the row; the last
        // session from its start.
        Watch(replay.path, replay.place != 0 ? CReplayPlayer::kLastGame : 0, true);
    }
}

void CShell::Watch(const std::string& path, size_t first, bool kept) {
    CModalScope modal(modalLevel);
    HWND owner = reinterpret_cast<HWND>(window);
    std::string text;
    const FileReadResult read =
        kept ? ReadKeptReplay(path, text, kReplayMaxBytes)
             : ReadRegularFile(path, text, kReplayMaxBytes, FILE_LINKS_FOLLOWED);
    if (read != FILE_READ_OK) {
        SayLine(path + (read == FILE_READ_MISSING
                            ? ": no such file"
                            : ": not a regular file of at most 1 MiB that can be read"));
        platform.ShowMessage(
            owner, read == FILE_READ_MISSING ? kReplayMissingText : kReplayUnreadableText);
        return;
    }
    auto player = std::make_unique<CReplayPlayer>(watchDevices.get());
    std::string error;
    if (!player->Start(text, first, owner, kClientWidth, kClientHeight, &error)) {
        SayLine(path + ": " + error);
        platform.ShowMessage(owner, kReplayUnplayableText);
        return;
    }
    watcher = std::move(player);
    watchPaused = false;
    watchFast = false;
    ShowWatchTitle();
    UpdateReplaysItem();
}

void CShell::WatchTick() {
    CModalScope modal(modalLevel);
    const int steps = watchPaused ? 0 : watchFast ? kWatchFastSteps : 1;
    for (int i = 0; i < steps && watcher; ++i) {
        if (!watcher->Step()) {
            const std::string error = watcher->Error();
            EndWatching();
            if (!error.empty()) {
                SayLine("replay: " + error);
                platform.ShowMessage(reinterpret_cast<HWND>(window), kReplayBrokenText);
            }
        }
    }
}

void CShell::EndWatching() {
    watcher.reset();
    ShowWatchTitle();
    UpdateReplaysItem();
}

void CShell::ShowWatchTitle() {
    if (window == nullptr) {
        return;
    }
    const char* title = !watcher      ? kWindowTitle
                        : watchPaused ? kWatchPausedTitle
                        : watchFast   ? kWatchFastTitle
                                      : kWatchTitle;
    gtk_window_set_title(GTK_WINDOW(window), title);
}

void CShell::UpdateReplaysItem() {
    const bool on = !watcher && game != nullptr && game->Game().State() == STATE_TITLE;
    if (replaysItem != nullptr && on != replaysItemOn) {
        gtk_widget_set_sensitive(replaysItem, on);
        replaysItemOn = on;
    }
}

void CShell::AskToExit() {
    CModalScope modal(modalLevel);
    if (platform.RunMessageBox(window, GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO, kExitCaption,
                               kExitQuestion) == GTK_RESPONSE_YES) {
        EndProgram();
    }
}

void CShell::ShowVersion() {
    CModalScope modal(modalLevel);
    platform.RunMessageBox(window, GTK_MESSAGE_OTHER, GTK_BUTTONS_OK, kVersionCaption,
                           kVersionText);
}

bool CShell::DispatchPending() {
    GMainContext* context = g_main_context_default();
    if (!g_main_context_pending(context)) {
        return false;
    }
    g_main_context_iteration(context, FALSE);
    return true;
}

// Milliseconds of a monotonic clock, wrapping at 2^32 like the tick timer
// expects.
uint32_t CShell::Now() {
    return static_cast<uint32_t>(g_get_monotonic_time() / 1000);
}

void CShell::Tick() {
    if (game == nullptr) {
        return;
    }
    if (watcher) {
        WatchTick();
        return;
    }
    if (tickObserver) {
        tickObserver(game->Game());
    }
    {
        // A tick may run the name-entry dialog.
        CModalScope modal(modalLevel);
        game->Tick();
        if (lastSession && lastSession->AfterTick()) {
            platform.ShowMessage(reinterpret_cast<HWND>(window), kLastSessionNotKeptText);
        }
    }
    UpdateReplaysItem();
}

// Blocks until a window event arrives or the next tick is due, instead of
// polling and keeping a processor busy. The tick is due at the start of a
// millisecond of the clock Now() reads; the timer wakes the loop right then.
void CShell::Wait(uint32_t ms) {
    const gint64 dueMs = g_get_monotonic_time() / 1000 + ms;
    if (wakeTimer >= 0) {
        itimerspec due = {};
        due.it_value.tv_sec = static_cast<time_t>(dueMs / 1000);
        due.it_value.tv_nsec = static_cast<long>(dueMs % 1000) * 1000000L;
        timerfd_settime(wakeTimer, TFD_TIMER_ABSTIME, &due, nullptr);
        g_main_context_iteration(g_main_context_default(), TRUE);
    } else {
        // Without the timer, the loop's own timeout wakes it a little late.
        GSource* timeout = g_timeout_source_new(ms);
        g_source_set_callback(timeout, G_SOURCE_FUNC(+[](gpointer) { return G_SOURCE_REMOVE; }),
                              nullptr, nullptr);
        g_source_attach(timeout, nullptr);
        g_main_context_iteration(g_main_context_default(), TRUE);
        g_source_destroy(timeout);
        g_source_unref(timeout);
    }
}

// The close box ends the game at once, without asking; while a modal dialog
// is open the main window keeps still, as it takes no input then either.
gboolean CShell::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
    auto* shell = static_cast<CShell*>(self);
    if (shell->modalLevel == 0) {
        shell->EndProgram();
    }
    return TRUE;
}

// SIGINT, SIGTERM and SIGHUP end the program as the close box does, also
// while a dialog or message box is open: it closes unanswered, no other
// opens, and the frame loop ends as soon as the tick that opened it returns.
gboolean CShell::OnQuitSignal(gpointer self) {
    auto* shell = static_cast<CShell*>(self);
    shell->platform.BeginEnding();
    if (shell->modalLevel == 0) {
        shell->EndProgram();
        return G_SOURCE_CONTINUE;
    }
    shell->running = false;
    CloseWindowsBut(shell->window);
    // Whatever opens after this, as the list from the name entry may, is
    // closed in turn.
    if (shell->closeTimer == 0) {
        shell->closeTimer = g_timeout_add(100, G_SOURCE_FUNC(+[](gpointer data) {
                                              CloseWindowsBut(static_cast<CShell*>(data)->window);
                                              return G_SOURCE_CONTINUE;
                                          }),
                                          shell);
    }
    return G_SOURCE_CONTINUE;
}

void CShell::OnDestroy(GtkWidget*, gpointer self) {
    auto* shell = static_cast<CShell*>(self);
    shell->presenter.Attach(nullptr);
    shell->window = nullptr;
    shell->area = nullptr;
    shell->running = false;
}

// Esc ends the game, Enter pauses or resumes it, every other key is dropped,
// except those that open the menus. While a replay is watched, Esc ends
// watching, Enter pauses it and F runs it four times as fast, or back.
gboolean CShell::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* shell = static_cast<CShell*>(self);
    if (IsMenuKey(event)) {
        return FALSE;
    }
    if (shell->modalLevel > 0) {
        return TRUE;
    }
    if (shell->watcher) {
        switch (event->keyval) {
            case GDK_KEY_Escape:
                shell->EndWatching();
                break;
            case GDK_KEY_Return:
            case GDK_KEY_KP_Enter:
                shell->watchPaused = !shell->watchPaused;
                shell->ShowWatchTitle();
                break;
            case GDK_KEY_f:
            case GDK_KEY_F:
                shell->watchFast = !shell->watchFast;
                shell->ShowWatchTitle();
                break;
            default:
                break;
        }
        return TRUE;
    }
    switch (event->keyval) {
        case GDK_KEY_Escape:
            shell->EndProgram();
            break;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
            if (shell->game != nullptr) {
                shell->game->TogglePause();
            }
            break;
        default:
            break;
    }
    return TRUE;
}

// Each press of the left button is one click; the extra events the toolkit
// adds for double and triple clicks are not.
gboolean CShell::OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer self) {
    auto* shell = static_cast<CShell*>(self);
    if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_PRIMARY) {
        return TRUE;
    }
    // A replay being watched takes its clicks from the replay.
    if (shell->game != nullptr && shell->modalLevel == 0 && !shell->watcher) {
        const int32_t x = static_cast<int32_t>(std::clamp(event->x, 0.0, 65535.0));
        const int32_t y = static_cast<int32_t>(std::clamp(event->y, 0.0, 65535.0));
        shell->game->OnClick(x, y);
    }
    return TRUE;
}

// A repaint shows the last frame again, unchanged.
gboolean CShell::OnDraw(GtkWidget*, cairo_t* cr, gpointer self) {
    static_cast<CShell*>(self)->presenter.Paint(cr);
    return TRUE;
}

// The game's cursor, its hot spot at the top-left corner, over the picture.
void CShell::OnAreaRealize(GtkWidget* widget, gpointer self) {
    auto* shell = static_cast<CShell*>(self);
    if (shell->cursor == nullptr) {
        if (GdkPixbuf* picture = LoadPixbuf("/game/cursors/1000.cur")) {
            shell->cursor =
                gdk_cursor_new_from_pixbuf(gtk_widget_get_display(widget), picture, 0, 0);
            g_object_unref(picture);
        }
    }
    if (shell->cursor != nullptr) {
        gdk_window_set_cursor(gtk_widget_get_window(widget), shell->cursor);
    }
}
