// Where the browser form keeps its files. The page unpacks the pictures and
// sounds into the game's folder, which is also the working directory (so
// "sound//kyu.wav" and "score.sav" are found as on the desktop) and the
// folder the browser's storage keeps the score files of.
#pragma once

constexpr const char* kGameFolder = "/game";
// The pictures, by bitmap resource number: /game/resources/bitmaps/NNNN.bmp.
constexpr const char* kBitmapFolder = "/game/resources/bitmaps";
