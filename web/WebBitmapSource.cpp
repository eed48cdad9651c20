// The game's pictures in the browser form: the bitmap files the page puts
// into the game's folder, read as the desktop reads its built-in ones.
#include <cstdio>
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

}  // namespace

bool LoadBitmapById(int32_t id, CPixelImage* out) {
    return id >= 0 && ReadBmpFile(BitmapPath(id).c_str(), out);
}

bool LoadBitmapByName(const char* name, CPixelImage* out) {
    if (name == nullptr || *name == '\0') {
        return false;
    }
    long id = 0;
    if (ParseBitmapId(name, &id) && ReadBmpFile(BitmapPath(id).c_str(), out)) {
        return true;
    }
    return ReadBmpFile(name, out);
}
