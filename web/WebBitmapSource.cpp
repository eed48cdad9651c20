// The game's pictures in the browser form: the bitmap files the page puts
// into the game's folder, read as the desktop reads its built-in ones.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "graphics/BitmapSource.h"
#include "web/BmpFile.h"
#include "web/WebFiles.h"

namespace {

std::string BitmapPath(long id) {
    char path[64];
    std::snprintf(path, sizeof path, "%s/%ld.bmp", kBitmapFolder, id);
    return path;
}

// A resource number written as digits, with or without a leading '#'.
bool ParseId(const char* name, long* id) {
    const char* digits = name[0] == '#' ? name + 1 : name;
    if (*digits < '0' || *digits > '9') {
        return false;
    }
    char* end = nullptr;
    *id = std::strtol(digits, &end, 10);
    return *end == '\0';
}

}  // namespace

bool LoadBitmapById(int32_t id, CPixelImage* out) {
    return id >= 0 && ReadBmpFile(BitmapPath(id).c_str(), out);
}

bool LoadBitmapByName(const char* name, CPixelImage* out) {
    if (name == nullptr || *name == '\0') {
        return false;
    }
    long id = 0;
    if (ParseId(name, &id) && ReadBmpFile(BitmapPath(id).c_str(), out)) {
        return true;
    }
    return ReadBmpFile(name, out);
}
