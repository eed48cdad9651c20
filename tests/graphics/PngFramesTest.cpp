#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>

#include "TestPictures.h"
#include "tools/replay/PngFrames.h"

namespace {

// The colour of the top-left pixel of a PNG file, or -1 if it cannot be read.
int64_t TopLeftOf(const std::string& path) {
    GdkPixbuf* picture = gdk_pixbuf_new_from_file(path.c_str(), nullptr);
    if (picture == nullptr) {
        return -1;
    }
    const guint8* p = gdk_pixbuf_read_pixels(picture);
    const int64_t color = (p[0] << 16) | (p[1] << 8) | p[2];
    const bool full = gdk_pixbuf_get_width(picture) == 640 && gdk_pixbuf_get_height(picture) == 480;
    g_object_unref(picture);
    return full ? color : -2;
}

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

TEST(PngFramesTest, WritesEveryTwentyFifthTickAndTheLastFrame) {
    const std::string dir = ScratchPath("frames") + "/nested";
    int32_t tick = 25;
    std::unique_ptr<CPngFrames> frames(CreatePngFrames(dir, &tick));
    std::unique_ptr<CGraphics> graphics(frames->CreateGraphics());
    ASSERT_EQ(graphics->Init(nullptr, 640, 480), 0);

    ASSERT_EQ(graphics->FillRect(0, 0, 640, 480, 0x00ff0000), 0);
    ASSERT_EQ(graphics->Present(nullptr), 0);
    ASSERT_EQ(graphics->FillRect(0, 0, 640, 480, 0x0000ff00), 0);
    ASSERT_EQ(graphics->Present(nullptr), 0);  // same tick: replaces the picture
    EXPECT_EQ(TopLeftOf(dir + "/frame-000025.png"), 0x00ff00);

    tick = 26;
    ASSERT_EQ(graphics->Present(nullptr), 0);
    EXPECT_FALSE(Exists(dir + "/frame-000026.png"));
    tick = 27;
    ASSERT_EQ(graphics->FillRect(0, 0, 640, 480, 0x000000ff), 0);
    ASSERT_EQ(graphics->Present(nullptr), 0);
    tick = 30;  // the last frame keeps the tick it was shown in
    graphics.reset();
    frames->Finish();
    EXPECT_EQ(TopLeftOf(dir + "/frame-000027.png"), 0x0000ff);
    EXPECT_FALSE(Exists(dir + "/frame-000030.png"));
}

TEST(PngFramesTest, RefusesAFolderThatCannotBeMade) {
    const std::string file = ScratchPath("plain-file");
    ASSERT_TRUE(WriteBmp(file, 1, 1, 24, {0}));
    int32_t tick = 0;
    EXPECT_EQ(CreatePngFrames(file + "/frames", &tick), nullptr);
    unlink(file.c_str());
}

}  // namespace
