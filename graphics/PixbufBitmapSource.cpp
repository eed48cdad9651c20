// Reads the game's pictures with gdk-pixbuf, from the resource bundle or
// from files.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "graphics/BitmapSource.h"
#include "resources/GameResources.h"

namespace {

// Every channel keeps its own 8 bits, so distinct colours stay distinct and
// the key colour can be recognised exactly. Alpha, if any, is ignored.
bool CopyPixbuf(GdkPixbuf* pixbuf, CPixelImage* out) {
    if (gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB ||
        gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) {
        return false;
    }
    const int width = gdk_pixbuf_get_width(pixbuf);
    const int height = gdk_pixbuf_get_height(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    if (width <= 0 || height <= 0 || channels < 3) {
        return false;
    }
    const guint8* data = gdk_pixbuf_read_pixels(pixbuf);
    try {
        out->pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    out->width = width;
    out->height = height;
    for (int y = 0; y < height; ++y) {
        const guint8* p = data + static_cast<size_t>(y) * stride;
        uint32_t* q = out->pixels.data() + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x, p += channels) {
            q[x] = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
        }
    }
    return true;
}

bool Take(GdkPixbuf* pixbuf, CPixelImage* out) {
    if (pixbuf == nullptr) {
        return false;
    }
    const bool ok = CopyPixbuf(pixbuf, out);
    g_object_unref(pixbuf);
    return ok;
}

bool LoadResource(const std::string& path, CPixelImage* out) {
    RegisterGameResources();
    if (!g_resources_get_info(path.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr, nullptr,
                              nullptr)) {
        return false;
    }
    return Take(gdk_pixbuf_new_from_resource(path.c_str(), nullptr), out);
}

std::string BitmapPath(long id) {
    char path[48];
    std::snprintf(path, sizeof path, "/game/bitmaps/%ld.bmp", id);
    return path;
}

}  // namespace

bool LoadBitmapById(int32_t id, CPixelImage* out) {
    if (id < 0) {
        return false;
    }
    return LoadResource(BitmapPath(id), out);
}

bool LoadBitmapByName(const char* name, CPixelImage* out) {
    if (name == nullptr || *name == '\0') {
        return false;
    }
    long id = 0;
    if (ParseBitmapId(name, &id) && LoadResource(BitmapPath(id), out)) {
        return true;
    }
    if (std::strncmp(name, "/game/", 6) == 0 && LoadResource(name, out)) {
        return true;
    }
    return Take(gdk_pixbuf_new_from_file(name, nullptr), out);
}
