// Plays a replay in a window at the game's own pace, with its sound, from a
// chosen game on: the games before it run through at once, neither shown
// nor heard. The replay runs in a session of its own: its own game on
// devices made by the form's platform, its own table in memory, and the
// generator's state put in place only while it steps and put back after.
// The player's own game, its table and its files are never touched, so
// nothing of them needs saving and restoring.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "devices/Platform.h"
#include "game/Game.h"

// What a form says when a replay cannot be watched.
constexpr const char* kReplayMissingText = "リプレイのファイルが見つかりません";
constexpr const char* kReplayUnreadableText =
    "リプレイのファイルを読み込めません（1MB までのふつうのファイルに限ります）";
constexpr const char* kReplayUnplayableText =
    "このリプレイは再生できません（ファイルが壊れているか、このゲームのものではありません）";
constexpr const char* kReplayBrokenText = "リプレイの記録と再生が食い違ったため、再生をやめました";
constexpr const char* kNoReplaysText = "見られるリプレイはまだありません";
// The window's or page's title while a replay is watched, with the keys
// that work, and the ticks a fast replay steps at each tick of the game.
constexpr const char* kWatchTitle = "ミルトとナナ　リプレイ（Enter 一時停止・F 4倍速・Esc 終わる）";
constexpr const char* kWatchPausedTitle =
    "ミルトとナナ　リプレイ 一時停止中（Enter 再開・F 4倍速・Esc 終わる）";
constexpr const char* kWatchFastTitle =
    "ミルトとナナ　リプレイ 4倍速（Enter 一時停止・F ふつうの速さ・Esc 終わる）";
constexpr int32_t kWatchFastSteps = 4;

class CReplayPlayer {
public:
    // `devices`: the form's platform, which makes the devices the replayed
    // game draws and sounds with and whose Sleep paces the wipes.
    explicit CReplayPlayer(CPlatform* devices);
    ~CReplayPlayer();
    CReplayPlayer(const CReplayPlayer&) = delete;
    CReplayPlayer& operator=(const CReplayPlayer&) = delete;

    // `first` for the last game that ends in the replay: the one that a
    // kept row's replay was kept for.
    static constexpr size_t kLastGame = static_cast<size_t>(-1);

    // Reads the replay, sets its game up for `window` and runs the games
    // before game `first` (0 the first) at once, stopping at the title
    // screen before it. False, with a short English reason, when the replay
    // cannot be read, its game cannot be set up, or it has no such game.
    bool Start(std::string_view text, size_t first, HWND window, int32_t width, int32_t height,
               std::string* error);
    // One tick of the replay and the commands before it; the form calls it
    // every 40 ms. False once the replay is over (Error() says if it failed).
    bool Step();
    const std::string& Error() const;
    // The replayed game, once started.
    const CGame* Game() const;

private:
    struct SState;
    std::unique_ptr<SState> state;
    CPlatform* devices;
};
