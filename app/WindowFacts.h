// What every form of the program shows the same way: the window's title and
// class, where it opens, the size of its picture and the version text.
#pragma once

#include <cstdint>

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
