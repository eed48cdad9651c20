// What every form of the program shows the same way: the window's title and
// class, where it opens, the size of its picture, the version text and the
// start-up failure box.
#pragma once

#include <cstdint>
#include <string>

constexpr const char* kWindowTitle = "ミルトとナナ";
constexpr const char* kWindowClass = "CWindow";
// The window's top-left corner on the screen.
constexpr int32_t kWindowX = 140;
constexpr int32_t kWindowY = 140;
// The game's picture, inside the window's frame and menu bar.
constexpr int32_t kClientWidth = 640;
constexpr int32_t kClientHeight = 480;

constexpr const char* kVersionCaption = "バージョン";
constexpr const char* kVersionText =
    "ミルトとナナ ver1.0\n"
    "\n"
    "絵・音・プログラム：ミルトとナナ制作室";

// The start-up failure box; a second line names what failed.
constexpr const char* kStartupFailedText = "初期化に失敗しました";
// The menu's exit asks first.
constexpr const char* kExitCaption = "終了";
constexpr const char* kExitQuestion = "終了しますか？";
// The same, as one line for standard error.
inline std::string StartupFailureLine(const std::string& why) {
    return std::string("miruto-nana: ") + kStartupFailedText + ": " + why + "\n";
}
// What failed, when no device says more precisely: the step of the set-up.
constexpr const char* kGraphicsStepText = "画面を用意できません";
constexpr const char* kSoundStepText = "効果音を用意できません";
constexpr const char* kMusicStepText = "音楽を用意できません";
