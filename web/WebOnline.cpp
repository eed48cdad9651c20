#include "web/WebOnline.h"

#include <emscripten.h>

#include <string>

#include "game/Game.h"
#include "replay/RecordedSession.h"
#include "scores/Cp932.h"
#include "scores/NameEntry.h"
#include "scores/ScoreKeeper.h"

// The page's side (library/world.js): copies the replay to watch, `size`
// bytes, into `out`.
extern "C" void web_world_replay_copy(char* out, int32_t size);

extern "C" {

// Starts the recording afresh from `seed`: at the title screen only, where
// that is the whole state of a session. 1 when it was done.
EMSCRIPTEN_KEEPALIVE int32_t web_online_seed(uint32_t seed) {
    CRecordedSession* session = WebSession();
    if (session == nullptr || session->Game().State() != STATE_TITLE) {
        return 0;
    }
    session->Reseed(seed);
    return 1;
}

// The session's replay so far, ending with `end`; valid until the next
// call. Empty before the game is set up.
EMSCRIPTEN_KEEPALIVE const char* web_session_text() {
    static std::string text;
    CRecordedSession* session = WebSession();
    text = session != nullptr ? session->Text() : std::string();
    return text.c_str();
}

// A name typed in the name entry or given when sending, as the score table
// keeps it: what the name entry holds of it (its first 14 bytes in the
// score file's code page, a character that code page lacks as "?"), cut to
// its first word; in UTF-8, valid until the next call. Empty when no word
// is left.
EMSCRIPTEN_KEEPALIVE const char* web_world_name(const char* typed) {
    static std::string name;
    CNameEntry entry;
    entry.SetName(Utf8ToCp932(typed));
    ScoreEntry row;
    row.name[0] = '\0';
    name = FirstWord(entry.Name(), &row) ? Cp932ToUtf8(row.name) : std::string();
    return name.c_str();
}

// Watches the replay the page holds (`bytes` long; web_world_replay_copy)
// from its game `first` (0 the first), as the shell watches a kept one;
// the answer is RunWebWatchReplay's.
EMSCRIPTEN_KEEPALIVE int32_t web_watch_start(int32_t bytes, int32_t first) {
    if (bytes <= 0 || first < 0) {
        return 0;
    }
    std::string text(static_cast<size_t>(bytes), '\0');
    web_world_replay_copy(text.data(), bytes);
    return RunWebWatchReplay(text, static_cast<size_t>(first));
}

}  // extern "C"
