// Reading the game's pictures into plain pixel arrays.
#pragma once

#include <cstdint>
#include <cstdlib>
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

// A bitmap resource number written as digits, with or without a leading
// '#' ("2004", "#2004"); false for any other name.
inline bool ParseBitmapId(const char* name, long* id) {
    const char* digits = name[0] == '#' ? name + 1 : name;
    if (*digits < '0' || *digits > '9') {
        return false;
    }
    char* end = nullptr;
    *id = std::strtol(digits, &end, 10);
    return *end == '\0';
}
