#include "web/WebOnline.h"

#include <emscripten.h>

#include <memory>
#include <new>
#include <string>

#include "app/WindowFacts.h"
#include "game/Game.h"
#include "replay/RecordedSession.h"
#include "replay/ReplayPlayer.h"
#include "scores/Cp932.h"
#include "scores/NameEntry.h"
#include "web/WebBindings.h"
#include "web/WebPlatform.h"

// The page's side (library/world.js).
extern "C" {
// Copies the replay to watch, `size` bytes, into `out`.
void web_world_replay_copy(char* out, int32_t size);
// Told when the watching ended.
void web_world_watch_ended();
}

namespace {

struct SWatch {
    std::unique_ptr<CReplayPlayer> player;
    // The watched game has been played; the next title ends the watching.
    bool played = false;
};

SWatch& Watch() {
    static SWatch watch;
    return watch;
}

void StopWatching(bool redraw) {
    SWatch& watch = Watch();
    if (!watch.player) {
        return;
    }
    watch.player.reset();
    watch.played = false;
    web_world_watch_ended();
    if (redraw && WebSession() != nullptr) {
        WebSession()->Paint();
    }
}

}  // namespace

bool RunWebWatchStep() {
    SWatch& watch = Watch();
    if (!watch.player) {
        return false;
    }
    const bool going = watch.player->Step();
    const CGame* game = watch.player->Game();
    if (going && game != nullptr) {
        if (game->State() == STATE_PLAY) {
            watch.played = true;
        } else if (watch.played && game->State() == STATE_TITLE) {
            StopWatching(true);
        }
    } else {
        StopWatching(true);
    }
    return true;
}

void EndWebWatch() {
    StopWatching(false);
}

extern "C" {

// Starts the recording afresh from `seed`: at the title screen only, where
// that is the whole state of a session. 1 when it was done.
EMSCRIPTEN_KEEPALIVE int32_t web_online_seed(uint32_t seed) {
    CRecordedSession* session = WebSession();
    if (session == nullptr || session->Game().State() != STATE_TITLE || Watch().player) {
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

// The name a player gives when sending, as the game's name entry keeps it
// (its first 14 bytes in the score file's code page, a character that code
// page lacks as "?"), in UTF-8; valid until the next call. Empty when that
// is empty or holds white space: a name is one word, as the table's are.
EMSCRIPTEN_KEEPALIVE const char* web_world_name(const char* typed) {
    static std::string name;
    CNameEntry entry;
    entry.SetName(Utf8ToCp932(typed));
    name = Cp932ToUtf8(entry.Name());
    for (unsigned char byte : name) {
        if (byte <= 0x20 || byte == 0x7f) {
            name.clear();
            break;
        }
    }
    return name.c_str();
}

// Plays the replay the page holds (`bytes` long; web_world_replay_copy)
// from its game `first` (0 the first) in place of the player's game, until
// that game is over and the title shows again, the replay ends, or
// web_watch_stop. 0 when the replay cannot be played.
EMSCRIPTEN_KEEPALIVE int32_t web_watch_start(int32_t bytes, int32_t first) {
    if (WebSession() == nullptr || bytes <= 0 || first < 0) {
        return 0;
    }
    StopWatching(false);
    std::string text(static_cast<size_t>(bytes), '\0');
    web_world_replay_copy(text.data(), bytes);
    auto player = std::make_unique<CReplayPlayer>(WebDevices());
    std::string error;
    if (!player->Start(text, static_cast<size_t>(first), nullptr, kClientWidth, kClientHeight,
                       &error)) {
        emscripten_log(EM_LOG_WARN, "watching: %s", error.c_str());
        return 0;
    }
    Watch().player = std::move(player);
    return 1;
}

EMSCRIPTEN_KEEPALIVE void web_watch_stop() {
    StopWatching(true);
}

// The watched game's score, or -1 when none is watched.
EMSCRIPTEN_KEEPALIVE int32_t web_watch_score() {
    const SWatch& watch = Watch();
    const CGame* game = watch.player ? watch.player->Game() : nullptr;
    return game != nullptr ? game->Score() : -1;
}

}  // extern "C"
