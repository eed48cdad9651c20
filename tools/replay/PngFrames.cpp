#include "tools/replay/PngFrames.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "graphics/MemoryGraphics.h"
#include "graphics/Presenter.h"

namespace {

class CPngFrameWriter : public CPngFrames, public CPresenter {
public:
    CPngFrameWriter(const std::string& dir, const int32_t* currentTick)
        : dir(dir), currentTick(currentTick) {}

    CGraphics* CreateGraphics() override { return new CMemoryGraphics(this); }

    void Finish() override {
        if (haveFrame) {
            Write(lastTick);
        }
    }

    void Show(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride) override {
        if (pixels == nullptr || width <= 0 || height <= 0) {
            return;
        }
        frame.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
        for (int32_t y = 0; y < height; ++y) {
            const uint32_t* from = pixels + static_cast<ptrdiff_t>(y) * stride;
            std::copy(from, from + width, frame.begin() + static_cast<ptrdiff_t>(y) * width);
        }
        frameWidth = width;
        frameHeight = height;
        haveFrame = true;
        lastTick = currentTick != nullptr ? *currentTick : 0;
        if (lastTick % 25 == 0) {
            Write(lastTick);
        }
    }

private:
    void Write(int32_t tick) {
        g_mkdir_with_parents(dir.c_str(), 0755);
        GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, frameWidth, frameHeight);
        if (picture == nullptr) {
            return;
        }
        guint8* data = gdk_pixbuf_get_pixels(picture);
        const int stride = gdk_pixbuf_get_rowstride(picture);
        for (int32_t y = 0; y < frameHeight; ++y) {
            guint8* p = data + static_cast<size_t>(y) * stride;
            const uint32_t* q = frame.data() + static_cast<size_t>(y) * frameWidth;
            for (int32_t x = 0; x < frameWidth; ++x, p += 3) {
                p[0] = (q[x] >> 16) & 0xFF;
                p[1] = (q[x] >> 8) & 0xFF;
                p[2] = q[x] & 0xFF;
            }
        }
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.png", static_cast<int>(tick));
        gchar* path = g_build_filename(dir.c_str(), name, nullptr);
        gdk_pixbuf_save(picture, path, "png", nullptr, nullptr);
        g_free(path);
        g_object_unref(picture);
    }

    std::string dir;
    const int32_t* currentTick;
    std::vector<uint32_t> frame;
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t lastTick = 0;
    bool haveFrame = false;
};

}  // namespace

CPngFrames* CreatePngFrames(const std::string& dir, const int32_t* currentTick) {
    if (dir.empty() || g_mkdir_with_parents(dir.c_str(), 0755) != 0) {
        return nullptr;
    }
    return new CPngFrameWriter(dir, currentTick);
}
