// Where the browser form keeps its files. The page unpacks the pictures and
// sounds into the game's folder, which is also the working directory (so
// "sound//kyu.wav" is found as on the desktop). The score files live in a
// folder of their own, whose files the browser's storage keeps in a
// database of this game's alone (see WebShell.cpp).
#pragma once

constexpr const char* kGameFolder = "/game";
constexpr const char* kSaveFolder = "/saves";
// The pictures, by bitmap resource number: /game/resources/bitmaps/NNNN.bmp.
constexpr const char* kBitmapFolder = "/game/resources/bitmaps";
