#include "scores/GtkDialogs.h"

#include <ctime>
#include <string>

#include "resources/GameResources.h"
#include "scores/Cp932.h"
#include "scores/HighScoreList.h"
#include "scores/NameEntry.h"

namespace {

// Dialog units to pixels, as the layouts are drawn.
constexpr double kPixelsPerUnit = 2.25;

// A fixed-pitch Japanese face, so the list's columns line up: a double-byte
// character is exactly two single-byte ones wide.
constexpr const char* kStyle = R"(
#gameover-dialog, #gameover-dialog * { font-family: "IPAGothic"; font-size: 12pt; }
#highscore-dialog, #highscore-dialog * { font-family: "IPAGothic"; font-size: 14pt; }
#replays-dialog, #replays-dialog * { font-family: "IPAGothic"; font-size: 12pt; }
#gameover-dialog button, #highscore-dialog button { padding: 0 4px; min-height: 0; }
#gameover-dialog entry { padding: 0 4px; min-height: 0; }
)";

void InstallStyle() {
    static bool installed = false;
    GdkScreen* screen = gdk_screen_get_default();
    if (installed || screen == nullptr) {
        return;
    }
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    installed = true;
}

// One modal run: a nested main loop that ends with a result.
struct ModalRun {
    GMainLoop* loop = nullptr;
    GtkWindow* window = nullptr;
    int32_t result = 0;
    bool ended = false;
    bool destroyed = false;

    void End(int32_t value) {
        if (!ended) {
            ended = true;
            result = value;
            g_main_loop_quit(loop);
        }
    }
};

// A builder holding the layout, or null when it cannot be loaded.
GtkBuilder* LoadLayout(const char* resource) {
    RegisterGameResources();
    InstallStyle();
    GtkBuilder* builder = gtk_builder_new();
    GError* error = nullptr;
    if (gtk_builder_add_from_resource(builder, resource, &error) == 0) {
        g_warning("cannot load %s: %s", resource, error->message);
        g_error_free(error);
        g_object_unref(builder);
        return nullptr;
    }
    return builder;
}

// The close box ends the dialog with 0, as its result is not stored.
gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    static_cast<ModalRun*>(data)->End(0);
    return TRUE;
}

void OnDestroy(GtkWidget*, gpointer data) {
    auto* run = static_cast<ModalRun*>(data);
    run->destroyed = true;
    run->End(0);
}

// Shows the window at (x, y) dialog units from the owner's top-left corner,
// modal over the owner, and runs until the dialog ends.
int32_t RunModal(ModalRun& run, GtkWindow* owner, int32_t x, int32_t y) {
    GtkWindow* window = run.window;
    g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), &run);
    g_signal_connect(window, "destroy", G_CALLBACK(OnDestroy), &run);
    gtk_window_set_modal(window, TRUE);
    if (owner != nullptr) {
        gtk_window_set_transient_for(window, owner);
        gtk_window_set_destroy_with_parent(window, TRUE);
        GdkWindow* ownerWindow = gtk_widget_get_window(GTK_WIDGET(owner));
        if (ownerWindow != nullptr) {
            gint left = 0;
            gint top = 0;
            gdk_window_get_origin(ownerWindow, &left, &top);
            gtk_window_move(window, left + static_cast<gint>(x * kPixelsPerUnit),
                            top + static_cast<gint>(y * kPixelsPerUnit));
        }
    } else {
        gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    }
    run.loop = g_main_loop_new(nullptr, FALSE);
    gtk_window_present(window);
    if (!run.ended) {
        g_main_loop_run(run.loop);
    }
    g_main_loop_unref(run.loop);
    if (!run.destroyed) {
        g_signal_handlers_disconnect_by_data(window, &run);
        gtk_widget_destroy(GTK_WIDGET(window));
    }
    return run.result;
}

// The name-entry dialog's state while it runs.
struct GameOverRun : ModalRun {
    CNameEntry entry;
    std::string tempPath;
    std::string scorePath;
};

void OnNameChanged(GtkEditable* editable, gpointer data) {
    auto* run = static_cast<GameOverRun*>(data);
    run->entry.SetName(Utf8ToCp932(gtk_entry_get_text(GTK_ENTRY(editable))));
}

void OnGameOverOk(GtkButton*, gpointer data) {
    auto* run = static_cast<GameOverRun*>(data);
    // A name that cannot be written is not stored; the game says so.
    run->entry.Confirm(run->tempPath);
    run->End(1);
}

void OnShowList(GtkButton*, gpointer data) {
    auto* run = static_cast<GameOverRun*>(data);
    RunHighScoreDialog(run->window, run->scorePath);
}

// The list dialog's OK.
void OnListOk(GtkButton*, gpointer data) {
    static_cast<ModalRun*>(data)->End(1);
}

// The replay list's state while it runs: the row picked ends it, with its
// index + 1 (0, as the close box ends any dialog, is none).
struct ReplayListRun : ModalRun {
    GtkTreeView* list = nullptr;
};

void WatchSelected(ReplayListRun* run) {
    GtkTreeModel* model = nullptr;
    GtkTreeIter row;
    if (gtk_tree_selection_get_selected(gtk_tree_view_get_selection(run->list), &model, &row)) {
        GtkTreePath* path = gtk_tree_model_get_path(model, &row);
        const gint index = gtk_tree_path_get_indices(path)[0];
        gtk_tree_path_free(path);
        run->End(index + 1);
    }
}

void OnWatch(GtkButton*, gpointer data) {
    WatchSelected(static_cast<ReplayListRun*>(data));
}

void OnRowActivated(GtkTreeView*, GtkTreePath*, GtkTreeViewColumn*, gpointer data) {
    WatchSelected(static_cast<ReplayListRun*>(data));
}

void OnCloseList(GtkButton*, gpointer data) {
    static_cast<ModalRun*>(data)->End(0);
}

gboolean OnListKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    if (event->keyval == GDK_KEY_Escape) {
        static_cast<ModalRun*>(data)->End(0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int32_t RunGameOverDialog(GtkWindow* owner, const std::string& tempPath,
                          const std::string& scorePath) {
    GameOverRun run;
    run.tempPath = tempPath;
    run.scorePath = scorePath;
    if (!run.entry.Open(tempPath)) {
        return 0;
    }
    GtkBuilder* builder = LoadLayout("/game/ui/gameover.ui");
    if (builder == nullptr) {
        return 0;
    }
    run.window = GTK_WINDOW(gtk_builder_get_object(builder, "gameover_dialog"));
    GtkLabel* place = GTK_LABEL(gtk_builder_get_object(builder, "place_label"));
    GtkEntry* name = GTK_ENTRY(gtk_builder_get_object(builder, "name_entry"));
    GObject* ok = gtk_builder_get_object(builder, "ok_button");
    GObject* list = gtk_builder_get_object(builder, "list_button");
    g_object_unref(builder);

    gtk_label_set_text(place, run.entry.PlaceText().c_str());
    gtk_entry_set_text(name, Cp932ToUtf8(run.entry.Name()).c_str());
    g_signal_connect(name, "changed", G_CALLBACK(OnNameChanged), &run);
    g_signal_connect(ok, "clicked", G_CALLBACK(OnGameOverOk), &run);
    g_signal_connect(list, "clicked", G_CALLBACK(OnShowList), &run);
    gtk_widget_grab_focus(GTK_WIDGET(name));
    return RunModal(run, owner, 70, 140);
}

void RunHighScoreDialog(GtkWindow* owner, const std::string& scorePath) {
    CHighScoreList& rows = CHighScoreList::Shared();
    if (!rows.Load(scorePath)) {
        return;
    }
    GtkBuilder* builder = LoadLayout("/game/ui/highscore.ui");
    if (builder == nullptr) {
        return;
    }
    ModalRun run;
    run.window = GTK_WINDOW(gtk_builder_get_object(builder, "highscore_dialog"));
    for (int32_t place = 1; place <= CHighScoreList::kRows; ++place) {
        const std::string id = "row" + std::to_string(place);
        GtkLabel* label = GTK_LABEL(gtk_builder_get_object(builder, id.c_str()));
        gtk_label_set_text(label, Cp932ToUtf8(rows.RowText(place)).c_str());
    }
    g_signal_connect(gtk_builder_get_object(builder, "ok_button"), "clicked", G_CALLBACK(OnListOk),
                     &run);
    g_object_unref(builder);
    RunModal(run, owner, 0, 0);
}

std::string ReplayDateText(int64_t unixSeconds) {
    if (unixSeconds == 0) {
        return "";
    }
    const time_t when = static_cast<time_t>(unixSeconds);
    struct tm local = {};
    char text[32];
    if (localtime_r(&when, &local) == nullptr ||
        std::strftime(text, sizeof text, "%Y/%m/%d %H:%M", &local) == 0) {
        return "";
    }
    return text;
}

int32_t RunReplayListDialog(GtkWindow* owner, const std::vector<SKeptReplay>& replays) {
    GtkBuilder* builder = LoadLayout("/game/ui/replays.ui");
    if (builder == nullptr) {
        return -1;
    }
    ReplayListRun run;
    run.window = GTK_WINDOW(gtk_builder_get_object(builder, "replays_dialog"));
    run.list = GTK_TREE_VIEW(gtk_builder_get_object(builder, "replay_list"));
    GtkListStore* rows = GTK_LIST_STORE(gtk_builder_get_object(builder, "replay_rows"));
    for (const SKeptReplay& replay : replays) {
        const bool row = replay.place != 0;
        const std::string place = row ? std::to_string(replay.place) + "位" : "前回";
        const std::string score = row ? std::to_string(replay.score) : "";
        GtkTreeIter item;
        gtk_list_store_append(rows, &item);
        gtk_list_store_set(rows, &item, 0, place.c_str(), 1, score.c_str(), 2,
                           Cp932ToUtf8(replay.name).c_str(), 3, ReplayDateText(replay.time).c_str(),
                           -1);
    }
    GtkTreePath* first = gtk_tree_path_new_first();
    gtk_tree_view_set_cursor(run.list, first, nullptr, FALSE);
    gtk_tree_path_free(first);
    g_signal_connect(run.list, "row-activated", G_CALLBACK(OnRowActivated), &run);
    g_signal_connect(run.window, "key-press-event", G_CALLBACK(OnListKey), &run);
    g_signal_connect(gtk_builder_get_object(builder, "watch_button"), "clicked",
                     G_CALLBACK(OnWatch), &run);
    g_signal_connect(gtk_builder_get_object(builder, "close_button"), "clicked",
                     G_CALLBACK(OnCloseList), &run);
    g_object_unref(builder);
    return RunModal(run, owner, 0, 0) - 1;
}
