#include "web/WebDialogs.h"

#include <string>

#include "scores/Cp932.h"
#include "scores/HighScoreList.h"
#include "scores/NameEntry.h"
#include "web/WebBindings.h"

namespace {

// Room for the typed name as UTF-8: far more than the 14 bytes kept.
constexpr int32_t kNameTextBytes = 1024;

enum {
    NAME_CLOSED = 0,
    NAME_OK = 1,
    NAME_LIST = 2,
};

}  // namespace

bool RunWebMessageBox(const char* caption, const char* text, bool yesNo) {
    return web_message_box(caption, text, yesNo ? 1 : 0) == 1;
}

int32_t RunWebGameOverDialog(const std::string& tempPath, const std::string& scorePath) {
    CNameEntry entry;
    if (!entry.Open(tempPath)) {
        return 0;
    }
    web_name_dialog_open(entry.PlaceText().c_str(), Cp932ToUtf8(entry.Name()).c_str());
    int32_t result = 0;
    for (;;) {
        const int32_t action = web_name_dialog_wait();
        if (action == NAME_LIST) {
            RunWebHighScoreDialog(scorePath);
            continue;
        }
        if (action == NAME_OK) {
            std::string typed(kNameTextBytes, '\0');
            web_name_dialog_text(typed.data(), kNameTextBytes);
            typed.resize(typed.find('\0'));
            entry.SetName(Utf8ToCp932(typed));
            // A name that cannot be written is not stored; the game says so.
            entry.Confirm(tempPath);
            result = 1;
        }
        break;
    }
    web_name_dialog_close();
    return result;
}

void RunWebHighScoreDialog(const std::string& scorePath) {
    // The table as stored now, with what other tabs stored (when the
    // storage cannot be read, as last stored).
    web_saves_pull();
    CHighScoreList& rows = CHighScoreList::Shared();
    if (!rows.Load(scorePath)) {
        return;
    }
    std::string text;
    for (int32_t place = 1; place <= CHighScoreList::kRows; ++place) {
        text += Cp932ToUtf8(rows.RowText(place));
        text += '\n';
    }
    web_list_dialog_run(text.c_str());
}
