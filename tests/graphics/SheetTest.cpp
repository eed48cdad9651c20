#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "TestPictures.h"
#include "graphics/BitmapSource.h"
#include "graphics/MemoryGraphics.h"
#include "graphics/MemorySurface.h"

namespace {

constexpr int32_t kW = CMemoryGraphics::kFrameWidth;

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(graphics.Init(nullptr, 640, 480), 0);
        ASSERT_EQ(graphics.FillRect(0, 0, 640, 480, kBackground), 0);
    }

    // Draws the first row of the sheet at (0, 0) and checks each pixel:
    // background where `colors` holds the key, the colour elsewhere.
    void ExpectKeyedRow(CMemorySurface* sheet, const std::vector<uint32_t>& colors,
                        uint32_t keyPixel) {
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->ColorKey(), keyPixel);
        const auto n = static_cast<int32_t>(colors.size());
        ASSERT_EQ(graphics.DrawSprite(sheet, 0, 0, n, 1, 0, 0), 1);
        for (int32_t i = 0; i < n; ++i) {
            const uint32_t want = colors[i] == keyPixel ? kBackground : colors[i];
            EXPECT_EQ(graphics.Pixels()[i], want)
                << "pixel " << i << " colour " << std::hex << colors[i];
        }
    }

    CMemoryGraphics graphics{nullptr};
};

// Colours right next to the key in every channel, in both directions.
const std::vector<uint32_t> kNearMagenta = {0xff00ff, 0xfe00ff, 0xff01ff, 0xff00fe, 0xff00ff,
                                            0x7f007f, 0xffffff, 0x000000, 0xff00ff, 0xfd00fd};
const std::vector<uint32_t> kNearWhite = {0xffffff, 0xfffffe, 0xfeffff, 0xfffeff,
                                          0xff00ff, 0xffffff, 0x000000, 0xfefefe};

TEST_F(SheetTest, ExactlyTheKeyColourIsTransparentInEveryPictureDepth) {
    const int32_t n = static_cast<int32_t>(kNearMagenta.size());
    std::unique_ptr<CMemorySurface> direct(LoadSheet(graphics, n, 1, 24, kNearMagenta, 0xff00ff));
    ExpectKeyedRow(direct.get(), kNearMagenta, 0xff00ff);

    // Palette pictures: index i holds colour i.
    std::vector<uint32_t> indices(n);
    for (int32_t i = 0; i < n; ++i) {
        indices[i] = i;
    }
    std::unique_ptr<CMemorySurface> eight(
        LoadSheet(graphics, n, 1, 8, indices, 0xff00ff, kNearMagenta));
    ExpectKeyedRow(eight.get(), kNearMagenta, 0xff00ff);
    std::unique_ptr<CMemorySurface> four(
        LoadSheet(graphics, n, 1, 4, indices, 0xff00ff, kNearMagenta));
    ExpectKeyedRow(four.get(), kNearMagenta, 0xff00ff);
}

TEST_F(SheetTest, WhiteKeyedSheetIsTransparentOnlyOnWhite) {
    const int32_t n = static_cast<int32_t>(kNearWhite.size());
    std::vector<uint32_t> indices(n);
    for (int32_t i = 0; i < n; ++i) {
        indices[i] = i;
    }
    std::unique_ptr<CMemorySurface> sheet(
        LoadSheet(graphics, n, 1, 8, indices, 0xffffff, kNearWhite));
    ExpectKeyedRow(sheet.get(), kNearWhite, 0xffffff);
}

TEST_F(SheetTest, KeyColourIsReadAsBlueGreenRed) {
    // COLORREF 0x0000ff is red: red pixels vanish, blue ones stay.
    const std::vector<uint32_t> colors = {0xff0000, 0x0000ff, 0xff0000, 0x00ff00};
    std::unique_ptr<CMemorySurface> sheet(LoadSheet(graphics, 4, 1, 24, colors, 0x0000ff));
    ExpectKeyedRow(sheet.get(), colors, 0xff0000);
    EXPECT_EQ(sheet->MatchColor(0x00ff8000), 0x0080ffu);
}

TEST_F(SheetTest, KeyedDrawingFollowsLaterChangesToTheSheet) {
    std::unique_ptr<CMemorySurface> sheet(
        LoadSheet(graphics, 4, 1, 24, {0x102030, 0xff00ff, 0x405060, 0x708090}, 0xff00ff));
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(graphics.DrawSprite(sheet.get(), 0, 0, 4, 1, 0, 0), 1);
    EXPECT_EQ(graphics.Pixels()[1], kBackground);
    // Clearing to the key makes pixels transparent; a fill makes them solid.
    EXPECT_EQ(sheet->ClearToColorKey(2, 0, 2, 1), 1);
    EXPECT_EQ(sheet->FillRect(1, 0, 1, 1, 0x000001), 1);
    ASSERT_EQ(graphics.FillRect(0, 0, 4, 1, kBackground), 0);
    ASSERT_EQ(graphics.DrawSprite(sheet.get(), 0, 0, 4, 1, 0, 0), 1);
    const uint32_t want[] = {0x102030, 0x010000, kBackground, kBackground};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(graphics.Pixels()[i], want[i]) << i;
    }
    // A new key changes what is transparent.
    EXPECT_EQ(sheet->SetColorKey(0x302010), 1);
    ASSERT_EQ(graphics.DrawSprite(sheet.get(), 10, 0, 4, 1, 0, 0), 1);
    EXPECT_EQ(graphics.Pixels()[10], kBackground);
    EXPECT_EQ(graphics.Pixels()[12], 0xff00ffu);
}

TEST_F(SheetTest, MatchColorGivesPixelValuesAndReadsTheTopLeftPixel) {
    std::unique_ptr<CMemorySurface> sheet(
        LoadSheet(graphics, 2, 2, 24, {0x123456, 0xff00ff, 0, 0}, 0xff00ff));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->MatchColor(kInvalidColor), 0x123456u);
    EXPECT_EQ(sheet->MatchColor(0xff00ff), 0xff00ffu);
    EXPECT_EQ(sheet->MatchColor(0x000080), 0x800000u);
    EXPECT_EQ(sheet->MatchColor(kInvalidColor), 0x123456u);
    EXPECT_EQ(sheet->Pixels()[0], 0x123456u);
    // A key taken from the top-left pixel makes that pixel transparent.
    sheet->SetColorKey(kInvalidColor);
    EXPECT_EQ(sheet->ColorKey(), 0x123456u);
}

TEST_F(SheetTest, FailedLoadsChangeNothing) {
    std::unique_ptr<CMemorySurface> sheet(
        LoadSheet(graphics, 2, 1, 24, {0x112233, 0x445566}, 0xff00ff));
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(sheet->LoadBitmapResource(1999, 0, 0, 2, 1, 0, 0, 0xffffff));
    EXPECT_FALSE(sheet->LoadBitmapResource(-1, 0, 0, 2, 1, 0, 0, 0xffffff));
    EXPECT_FALSE(sheet->LoadImage("no/such/picture.bmp", 0, 0, 2, 1, 0, 0, 0xffffff));
    EXPECT_FALSE(sheet->LoadImage("#1999", 0, 0, 2, 1, 0, 0, 0xffffff));
    EXPECT_FALSE(sheet->LoadImage(nullptr, 0, 0, 2, 1, 0, 0, 0xffffff));
    EXPECT_EQ(sheet->ColorKey(), 0xff00ffu);
    EXPECT_EQ(sheet->Pixels()[0], 0x112233u);
    EXPECT_EQ(sheet->Pixels()[1], 0x445566u);
}

TEST_F(SheetTest, LoadCopiesOnlyTheRectangleAndClipsItToBothPictures) {
    std::vector<uint32_t> picture(4 * 3);
    for (int32_t i = 0; i < 12; ++i) {
        picture[i] = 0x100000 + i;
    }
    const std::string path = ScratchPath("part.bmp");
    ASSERT_TRUE(WriteBmp(path, 4, 3, 24, picture));
    std::unique_ptr<CSurface> surface(graphics.CreateSurface(3, 3, 0));
    auto* sheet = dynamic_cast<CMemorySurface*>(surface.get());
    ASSERT_NE(sheet, nullptr);
    // Picture columns 2..5 and rows 1..4 to (1, 0): only picture columns 2
    // and 3 and rows 1 and 2 exist, and they just fit into the sheet.
    EXPECT_TRUE(sheet->LoadImage(path.c_str(), 1, 0, 4, 4, 2, 1, 0xff00ff));
    unlink(path.c_str());
    const uint32_t want[9] = {0, 0x100006, 0x100007, 0, 0x10000a, 0x10000b, 0, 0, 0};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(sheet->Pixels()[i], want[i]) << i;
    }
    EXPECT_EQ(sheet->ColorKey(), 0xff00ffu);
}

TEST_F(SheetTest, BlitCopiesKeyedWithoutClipping) {
    std::unique_ptr<CMemorySurface> from(
        LoadSheet(graphics, 3, 1, 24, {0x010101, 0xff00ff, 0x020202}, 0xff00ff));
    std::unique_ptr<CSurface> into(graphics.CreateSurface(4, 2, 0));
    auto* target = dynamic_cast<CMemorySurface*>(into.get());
    ASSERT_NE(from, nullptr);
    ASSERT_NE(target, nullptr);
    target->FillRect(0, 0, 4, 2, 0x0000ff);
    EXPECT_EQ(target->Blit(from.get(), 1, 1, 3, 1, 0, 0), 1);
    const uint32_t want[8] = {0xff0000, 0xff0000, 0xff0000, 0xff0000,
                              0xff0000, 0x010101, 0xff0000, 0x020202};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(target->Pixels()[i], want[i]) << i;
    }
    // Refused whole: empty, null, or reaching outside either surface.
    EXPECT_EQ(target->Blit(from.get(), 0, 0, 0, 1, 0, 0), 0);
    EXPECT_EQ(target->Blit(nullptr, 0, 0, 1, 1, 0, 0), 0);
    EXPECT_EQ(target->Blit(from.get(), 2, 0, 3, 1, 0, 0), 0);
    EXPECT_EQ(target->Blit(from.get(), 0, 0, 3, 1, 1, 0), 0);
    EXPECT_EQ(target->Blit(from.get(), -1, 0, 1, 1, 0, 0), 0);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(target->Pixels()[i], want[i]) << i;
    }
    // Fills outside the surface write nothing.
    EXPECT_EQ(target->FillRect(3, 0, 2, 1, 0), 1);
    EXPECT_EQ(target->ClearToColorKey(-1, 0, 2, 1), 1);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(target->Pixels()[i], want[i]) << i;
    }
}

TEST_F(SheetTest, BlitWithinOneSurfaceReadsTheSourceBeforeWriting) {
    std::unique_ptr<CMemorySurface> sheet(
        LoadSheet(graphics, 5, 1, 24, {0x01, 0x02, 0xff00ff, 0x04, 0x05}, 0xff00ff));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->Blit(sheet.get(), 1, 0, 4, 1, 0, 0), 1);
    const uint32_t want[5] = {0x01, 0x01, 0x02, 0x04, 0x04};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(sheet->Pixels()[i], want[i]) << i;
    }
}

// The game's sheets: resource id, size, key.
struct GameSheet {
    int32_t id, width, height;
    COLORREF key;
};
const GameSheet kGameSheets[] = {
    {2000, 840, 380, 0xff00ff}, {2001, 640, 108, 0xff00ff}, {2002, 180, 96, 0xff00ff},
    {2003, 240, 123, 0xff00ff}, {2004, 150, 50, 0xff00ff},  {2005, 192, 64, 0xff00ff},
    {2006, 180, 90, 0xff00ff},  {2007, 400, 40, 0xff00ff},  {2008, 96, 91, 0xffffff},
    {2009, 350, 91, 0xff00ff},  {2010, 80, 112, 0xff00ff},  {2011, 640, 480, 0xff00ff},
    {2012, 8, 8, 0xff00ff},     {2013, 140, 47, 0xff00ff},  {2014, 40, 7, 0xff00ff},
    {2015, 250, 150, 0xff00ff}, {2016, 640, 480, 0xff00ff}, {2017, 64, 64, 0xff00ff},
    {2018, 256, 64, 0xff00ff},  {2019, 250, 80, 0xff00ff},
};

TEST_F(SheetTest, EveryGameSheetLoadsWithItsSizeAndKey) {
    CPixelImage probe;
    if (!LoadBitmapById(2000, &probe)) {
        GTEST_SKIP() << "the game's pictures are not built into this program yet";
    }
    for (const GameSheet& s : kGameSheets) {
        SCOPED_TRACE(s.id);
        CPixelImage picture;
        ASSERT_TRUE(LoadBitmapById(s.id, &picture));
        EXPECT_EQ(picture.width, s.width);
        EXPECT_EQ(picture.height, s.height);
        std::unique_ptr<CSurface> surface(
            graphics.CreateSurface(s.width, s.height, s.id <= 2003 ? kSurfaceSystemMemory : 0));
        auto* sheet = dynamic_cast<CMemorySurface*>(surface.get());
        ASSERT_NE(sheet, nullptr);
        ASSERT_TRUE(sheet->LoadBitmapResource(s.id, 0, 0, s.width, s.height, 0, 0, s.key));
        EXPECT_EQ(sheet->ColorKey(), CMemorySurface::PixelOf(s.key));
        EXPECT_EQ(std::vector<uint32_t>(sheet->Pixels(), sheet->Pixels() + picture.pixels.size()),
                  picture.pixels);
        // Whatever is not exactly the key reaches the frame.
        ASSERT_EQ(graphics.FillRect(0, 0, 640, 480, kBackground), 0);
        const int32_t w = std::min(s.width, 640), h = std::min(s.height, 480);
        ASSERT_EQ(graphics.DrawSprite(sheet, 0, 0, w, h, 0, 0), 1);
        int wrong = 0;
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                const uint32_t p = picture.pixels[y * s.width + x];
                wrong +=
                    graphics.Pixels()[y * kW + x] != (p == sheet->ColorKey() ? kBackground : p);
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(SheetTest, LoadImageFindsResourcesByNameBeforeFiles) {
    CPixelImage probe;
    if (!LoadBitmapById(2012, &probe)) {
        GTEST_SKIP() << "the game's pictures are not built into this program yet";
    }
    std::unique_ptr<CSurface> surface(graphics.CreateSurface(8, 8, 0));
    auto* sheet = dynamic_cast<CMemorySurface*>(surface.get());
    ASSERT_NE(sheet, nullptr);
    const std::vector<uint32_t> want(probe.pixels);
    for (const char* name : {"2012", "#2012", "/game/bitmaps/2012.bmp"}) {
        sheet->FillRect(0, 0, 8, 8, 0);
        ASSERT_TRUE(sheet->LoadImage(name, 0, 0, 8, 8, 0, 0, 0xff00ff)) << name;
        EXPECT_EQ(std::vector<uint32_t>(sheet->Pixels(), sheet->Pixels() + 64), want) << name;
    }
}

}  // namespace
