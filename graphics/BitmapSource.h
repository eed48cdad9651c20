// Reading the game's pictures into plain pixel arrays.
#pragma once

#include <cstdint>
#include <vector>

// A picture as 0x00RRGGBB words, row after row, no padding.
struct CPixelImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// Reads bitmap resource `id` (the pictures built into the program).
// False when there is no such resource or it cannot be read.
bool LoadBitmapById(int32_t id, CPixelImage* out);

// Reads a bitmap by name: first as a resource name (a number such as "2004"
// or "#2004", or a resource path), then as a bitmap file path.
bool LoadBitmapByName(const char* name, CPixelImage* out);
