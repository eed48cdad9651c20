// The high-score dialogs, driven as a player would: through their widgets,
// and through real key presses and clicks from xdotool.
#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

#include "ScoreTestFiles.h"
#include "scores/Cp932.h"
#include "scores/GtkDialogs.h"
#include "scores/ScoreTable.h"

// Last: the X11 headers define macros that clash with the test framework.
#include <gdk/gdkx.h>

namespace {

bool g_haveDisplay = false;
// Key releases the dialogs have handled. A key's release comes after its
// press, so once it is counted the press has been handled in full.
int g_keysTaken = 0;

void CountKeys(GdkEvent* event, gpointer) {
    if (event->type == GDK_KEY_RELEASE) {
        ++g_keysTaken;
    }
    gtk_main_do_event(event);
}

GtkWidget* FindNamed(GtkWidget* widget, const char* name) {
    if (g_strcmp0(gtk_widget_get_name(widget), name) == 0) {
        return widget;
    }
    if (GTK_IS_BIN(widget) || GTK_IS_CONTAINER(widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
        GtkWidget* found = nullptr;
        for (GList* child = children; child != nullptr && found == nullptr; child = child->next) {
            found = FindNamed(GTK_WIDGET(child->data), name);
        }
        g_list_free(children);
        return found;
    }
    return nullptr;
}

// The mapped dialog with this title that no other dialog covers, or null.
GtkWindow* ShownDialog(const char* title) {
    GList* windows = gtk_window_list_toplevels();
    GtkWindow* found = nullptr;
    for (GList* it = windows; it != nullptr; it = it->next) {
        GtkWindow* window = GTK_WINDOW(it->data);
        if (g_strcmp0(gtk_window_get_title(window), title) == 0 &&
            gtk_widget_get_mapped(GTK_WIDGET(window))) {
            found = window;
        }
    }
    for (GList* it = windows; it != nullptr && found != nullptr; it = it->next) {
        GtkWindow* window = GTK_WINDOW(it->data);
        if (gtk_window_get_transient_for(window) == found &&
            gtk_widget_get_mapped(GTK_WIDGET(window))) {
            found = nullptr;
        }
    }
    g_list_free(windows);
    return found;
}

// Runs each step once its dialog is on screen (and, if asked, once the
// dialogs have taken that many keys in all), in order, from inside the
// dialogs' own loops. A watchdog closes whatever is left after ten seconds.
class CDriver {
public:
    void When(const char* title, std::function<void(GtkWindow*)> step, int keysTaken = 0) {
        steps.push_back({title, keysTaken, std::move(step)});
    }
    void Start() {
        // A step may open a nested dialog and wait in its loop, so the poll
        // must be able to run again inside its own call.
        GSource* source = g_timeout_source_new(30);
        g_source_set_callback(source, &CDriver::Poll, this, nullptr);
        g_source_set_can_recurse(source, TRUE);
        poll = g_source_attach(source, nullptr);
        g_source_unref(source);
        watchdog = g_timeout_add_seconds(10, &CDriver::GiveUp, this);
    }
    bool Finished() const { return next == steps.size(); }
    ~CDriver() {
        for (guint source : {poll, watchdog}) {
            if (source != 0) {
                g_source_remove(source);
            }
        }
    }

private:
    static gboolean Poll(gpointer data) {
        auto* self = static_cast<CDriver*>(data);
        if (self->next < self->steps.size() && g_keysTaken >= self->steps[self->next].keysTaken) {
            GtkWindow* window = ShownDialog(self->steps[self->next].title.c_str());
            if (window != nullptr) {
                // Advance first: the step may open a nested dialog.
                auto& step = self->steps[self->next++].run;
                step(window);
            }
        }
        return G_SOURCE_CONTINUE;
    }
    static gboolean GiveUp(gpointer) {
        for (const char* title : {"ハイスコア", "ゲームオーバー"}) {
            if (GtkWindow* window = ShownDialog(title)) {
                gtk_window_close(window);
            }
        }
        return G_SOURCE_CONTINUE;
    }

    struct SStep {
        std::string title;
        int keysTaken;
        std::function<void(GtkWindow*)> run;
    };
    std::vector<SStep> steps;
    size_t next = 0;
    guint poll = 0;
    guint watchdog = 0;
};

std::string LabelText(GtkWindow* window, const char* name) {
    GtkWidget* label = FindNamed(GTK_WIDGET(window), name);
    return label != nullptr ? gtk_label_get_text(GTK_LABEL(label)) : "(missing)";
}

void Click(GtkWindow* window, const char* name) {
    gtk_button_clicked(GTK_BUTTON(FindNamed(GTK_WIDGET(window), name)));
}

class GtkDialogsTest : public ScoreFilesTest {
protected:
    void SetUp() override {
        if (!g_haveDisplay) {
            GTEST_SKIP() << "no display";
        }
        ScoreFilesTest::SetUp();
    }
    int32_t RunGameOver() {
        return RunGameOverDialog(nullptr, Path("work.temp").c_str(), Path("score.sav").c_str());
    }

    CDriver driver;
};

TEST_F(GtkDialogsTest, OkStoresTheTypedNameCutToFourteenBytes) {
    ASSERT_TRUE(WritePlace(2, Path("work.temp").c_str()));
    std::string shownPlace, shownName;
    driver.When("ゲームオーバー", [&](GtkWindow* dialog) {
        shownPlace = LabelText(dialog, "place-label");
        GtkEntry* entry = GTK_ENTRY(FindNamed(GTK_WIDGET(dialog), "name-entry"));
        shownName = gtk_entry_get_text(entry);
        gtk_entry_set_text(entry, "ナナ姫とミルトの大冒険");
        Click(dialog, "ok-button");
    });
    driver.Start();
    EXPECT_EQ(RunGameOver(), 1);
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(shownPlace, "2位です！");
    EXPECT_EQ(shownName, "kiri");
    EXPECT_EQ(ReadFile("work.temp"), Utf8ToCp932("ナナ姫とミルト"));
}

TEST_F(GtkDialogsTest, TheCloseBoxEndsWithoutAName) {
    ASSERT_TRUE(WritePlace(4, Path("work.temp").c_str()));
    driver.When("ゲームオーバー", [](GtkWindow* dialog) { gtk_window_close(dialog); });
    driver.Start();
    EXPECT_EQ(RunGameOver(), 0);
    EXPECT_EQ(ReadFile("work.temp"), "4");
}

TEST_F(GtkDialogsTest, WithoutItsFilesADialogEndsAtOnce) {
    EXPECT_EQ(RunGameOver(), 0);
    RunHighScoreDialog(nullptr, Path("score.sav").c_str());
    EXPECT_EQ(ShownDialog("ハイスコア"), nullptr);
}

TEST_F(GtkDialogsTest, TheListOpensOverTheNameEntryAndShowsTheStoredRows) {
    WriteFile("score.sav", "120 kiri\n" + Utf8ToCp932("90 ナナ姫\n") + "0 kiri\n0 kiri\n0 kiri\n");
    ASSERT_TRUE(WritePlace(1, Path("work.temp").c_str()));
    GtkWindow* nameDialog = nullptr;
    GtkWindow* listOwner = nullptr;
    std::string first, second, fifth;
    driver.When("ゲームオーバー", [&](GtkWindow* dialog) {
        nameDialog = dialog;
        Click(dialog, "list-button");
    });
    driver.When("ハイスコア", [&](GtkWindow* list) {
        listOwner = gtk_window_get_transient_for(list);
        first = LabelText(list, "row1");
        second = LabelText(list, "row2");
        fifth = LabelText(list, "row5");
        Click(list, "ok-button");
    });
    driver.When("ゲームオーバー", [](GtkWindow* dialog) { gtk_window_close(dialog); });
    driver.Start();
    EXPECT_EQ(RunGameOver(), 0);
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(listOwner, nameDialog);
    EXPECT_EQ(first, "1位　        kiri　 120");
    EXPECT_EQ(second, "2位　      ナナ姫　  90");
    EXPECT_EQ(fifth, "5位　        kiri　   0");
}

// Real input: Esc in both dialogs does nothing, a click on the list button
// and the list's OK, then a click into the name, a typed name and Enter.
// Each click waits until the Esc before it has been handled.
TEST_F(GtkDialogsTest, KeysAndClicksFromTheKeyboardAndMouse) {
    WriteFile("score.sav", "50 ann\n40 bob\n30 cat\n20 dan\n10 eve\n");
    ASSERT_TRUE(WritePlace(3, Path("work.temp").c_str()));
    const auto xid = [](GtkWindow* window) {
        return std::to_string(gdk_x11_window_get_xid(gtk_widget_get_window(GTK_WIDGET(window))));
    };
    const auto clickAt = [](GtkWindow* window, const char* name) {
        GtkWidget* button = FindNamed(GTK_WIDGET(window), name);
        GtkAllocation box;
        gtk_widget_get_allocation(button, &box);
        gint left = 0, top = 0;
        gdk_window_get_origin(gtk_widget_get_window(button), &left, &top);
        return "xdotool mousemove --sync " + std::to_string(left + box.x + box.width / 2) + " " +
               std::to_string(top + box.y + box.height / 2) + " click 1";
    };
    const auto run = [](const std::string& script) {
        gchar* argv[] = {g_strdup("sh"), g_strdup("-c"), g_strdup(script.c_str()), nullptr};
        g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr,
                      nullptr);
        for (gchar* arg : argv) {
            g_free(arg);
        }
    };
    const auto escape = [&](GtkWindow* window) {
        run("xdotool windowfocus --sync " + xid(window) + " && xdotool key Escape");
    };
    const int keys = g_keysTaken;
    bool listShown = false;
    driver.When("ゲームオーバー", escape);
    driver.When(
        "ゲームオーバー", [&](GtkWindow* dialog) { run(clickAt(dialog, "list-button")); },
        keys + 1);
    driver.When("ハイスコア", [&](GtkWindow* list) {
        listShown = true;
        escape(list);
    });
    driver.When(
        "ハイスコア", [&](GtkWindow* list) { run(clickAt(list, "ok-button")); }, keys + 2);
    driver.When("ゲームオーバー", escape);
    driver.When(
        "ゲームオーバー",
        [&](GtkWindow* dialog) {
            run(clickAt(dialog, "name-entry") +
                " && xdotool key ctrl+a && "
                "xdotool type --delay 40 'nana chan' && xdotool key Return");
        },
        keys + 3);
    driver.Start();
    EXPECT_EQ(RunGameOver(), 1);
    EXPECT_TRUE(listShown);
    EXPECT_EQ(ReadFile("work.temp"), "nana chan");
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    g_haveDisplay = gtk_init_check(&argc, &argv);
    if (g_haveDisplay) {
        gdk_event_handler_set(CountKeys, nullptr, nullptr);
    }
    return RUN_ALL_TESTS();
}
