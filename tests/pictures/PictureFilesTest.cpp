// Checks the committed picture files the game loads: every sprite sheet's
// size, depth, palette and colour key, the window icon and the cursor.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "BitmapReader.h"

namespace {

using namespace picturetest;

std::string BitmapPath(int32_t id) {
    return std::string(GAME_RESOURCES_DIR) + "/bitmaps/" + std::to_string(id) + ".bmp";
}

struct Sheet {
    int32_t id, width, height;
    Colour key;
};

const Sheet kSheets[20] = {
    {2000, 840, 380, kMagenta}, {2001, 640, 108, kMagenta}, {2002, 180, 96, kMagenta},
    {2003, 240, 123, kMagenta}, {2004, 150, 50, kMagenta},  {2005, 192, 64, kMagenta},
    {2006, 180, 90, kMagenta},  {2007, 400, 40, kMagenta},  {2008, 96, 91, kWhite},
    {2009, 350, 91, kMagenta},  {2010, 80, 112, kMagenta},  {2011, 640, 480, kMagenta},
    {2012, 8, 8, kMagenta},     {2013, 140, 47, kMagenta},  {2014, 40, 7, kMagenta},
    {2015, 250, 150, kMagenta}, {2016, 640, 480, kMagenta}, {2017, 64, 64, kMagenta},
    {2018, 256, 64, kMagenta},  {2019, 250, 80, kMagenta},
};

// On a 15- or 16-bit display only the top five bits of a channel survive,
// so a colour that close to the key would turn see-through there.
bool LooksLikeKey(Colour c, Colour key) {
    return (c.r >> 3) == (key.r >> 3) && (c.g >> 3) == (key.g >> 3) && (c.b >> 3) == (key.b >> 3);
}

TEST(SpriteSheets, HaveTheirSizesDepthsAndOnePalette) {
    int32_t fourBit = 0;
    std::vector<uint8_t> sharedPalette;
    for (const Sheet& sheet : kSheets) {
        SCOPED_TRACE(sheet.id);
        const Bitmap bmp = ReadBitmap(BitmapPath(sheet.id));
        ASSERT_TRUE(bmp.valid);
        EXPECT_EQ(bmp.width, sheet.width);
        EXPECT_EQ(bmp.height, sheet.height);
        if (bmp.bits == 4) {
            ++fourBit;
            continue;
        }
        EXPECT_EQ(bmp.palette.size(), 256u);
        if (sharedPalette.empty()) {
            sharedPalette = bmp.rawPalette;
        }
        EXPECT_EQ(bmp.rawPalette, sharedPalette) << "every 8-bit sheet shares one palette";
    }
    EXPECT_EQ(fourBit, 1);
}

TEST(SpriteSheets, KeyColourMarksExactlyTheSeeThroughPixels) {
    for (const Sheet& sheet : kSheets) {
        SCOPED_TRACE(sheet.id);
        const Bitmap bmp = ReadBitmap(BitmapPath(sheet.id));
        ASSERT_TRUE(bmp.valid);
        bool keyInPalette = false;
        for (const Colour& c : bmp.palette) {
            keyInPalette = keyInPalette || c == sheet.key;
        }
        EXPECT_TRUE(keyInPalette);
        size_t keyed = 0;
        size_t nearKey = 0;
        std::set<uint8_t> keyIndices;
        for (size_t i = 0; i < bmp.pixels.size(); ++i) {
            if (bmp.pixels[i] == sheet.key) {
                ++keyed;
                keyIndices.insert(bmp.indices[i]);
            } else if (LooksLikeKey(bmp.pixels[i], sheet.key) ||
                       LooksLikeKey(bmp.pixels[i], kMagenta)) {
                ++nearKey;
            }
        }
        EXPECT_EQ(nearKey, 0u) << "picture pixels that a 16-bit display would make see-through";
        EXPECT_LE(keyIndices.size(), 1u) << "the key has one palette entry";
        const bool fullScreen = sheet.width == 640 && sheet.height == 480;
        if (fullScreen) {
            // The sky and the title cover the whole frame: nothing shows through.
            EXPECT_EQ(keyed, 0u);
        } else {
            EXPECT_GT(keyed, 0u);
            EXPECT_LT(keyed, bmp.pixels.size());
        }
    }
}

TEST(SpriteSheets, BalloonsHaveNoWhiteInsideThem) {
    // White is the balloons' key: any white pixel not joined to the sheet's
    // edge through white would be a hole in a balloon.
    const Bitmap bmp = ReadBitmap(BitmapPath(2008));
    ASSERT_TRUE(bmp.valid);
    std::vector<uint8_t> seen(bmp.pixels.size(), 0);
    std::vector<std::pair<int32_t, int32_t>> todo;
    auto push = [&](int32_t x, int32_t y) {
        if (x < 0 || y < 0 || x >= bmp.width || y >= bmp.height) {
            return;
        }
        const size_t i = static_cast<size_t>(y * bmp.width + x);
        if (!seen[i] && bmp.pixels[i] == kWhite) {
            seen[i] = 1;
            todo.push_back({x, y});
        }
    };
    for (int32_t x = 0; x < bmp.width; ++x) {
        push(x, 0);
        push(x, bmp.height - 1);
    }
    for (int32_t y = 0; y < bmp.height; ++y) {
        push(0, y);
        push(bmp.width - 1, y);
        push(47, y);  // the two pictures meet here
        push(48, y);
    }
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        push(x + 1, y);
        push(x - 1, y);
        push(x, y + 1);
        push(x, y - 1);
    }
    for (size_t i = 0; i < bmp.pixels.size(); ++i) {
        if (bmp.pixels[i] == kWhite) {
            EXPECT_TRUE(seen[i]) << "white hole at " << i % 96 << ", " << i / 96;
        }
    }
}

TEST(SpriteSheets, SeaBandJoinsAtItsEnds) {
    // The band is drawn scrolled and wrapped, so its last column must lead
    // into its first: their colours may differ only as much as neighbours do.
    const Bitmap bmp = ReadBitmap(BitmapPath(2001));
    ASSERT_TRUE(bmp.valid);
    auto differ = [&](int32_t x1, int32_t x2) {
        int32_t total = 0;
        for (int32_t y = 0; y < bmp.height; ++y) {
            const Colour a = bmp.At(x1, y);
            const Colour b = bmp.At(x2, y);
            total += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
        }
        return total;
    };
    int32_t worstInside = 0;
    for (int32_t x = 0; x + 1 < bmp.width; ++x) {
        worstInside = std::max(worstInside, differ(x, x + 1));
    }
    EXPECT_LE(differ(bmp.width - 1, 0), worstInside);
    // The wave crest steps no higher or lower from the last column to the
    // first than it does between any two neighbours.
    auto crest = [&](int32_t x) {
        int32_t y = 0;
        while (y < bmp.height && bmp.At(x, y) == kMagenta) {
            ++y;
        }
        return y;
    };
    int32_t steepest = 0;
    for (int32_t x = 0; x + 1 < bmp.width; ++x) {
        steepest = std::max(steepest, std::abs(crest(x + 1) - crest(x)));
    }
    EXPECT_LT(crest(0), bmp.height);
    EXPECT_LE(std::abs(crest(0) - crest(bmp.width - 1)), steepest);
}

TEST(SpriteSheets, BlastDiscsMatchWhatTheyStrike) {
    // Each disc is at least as wide as its cell's hit rectangle (small,
    // medium, large) and no wider than that rectangle's corners reach.
    const Bitmap bmp = ReadBitmap(BitmapPath(2005));
    ASSERT_TRUE(bmp.valid);
    const double halfSides[3] = {6, 15, 22};
    for (int32_t cell = 0; cell < 3; ++cell) {
        const double half = halfSides[cell];
        for (int32_t y = 0; y < 64; ++y) {
            for (int32_t x = 0; x < 64; ++x) {
                const double r = std::hypot(x + 0.5 - 32, y + 0.5 - 32);
                const bool shown = !(bmp.At(cell * 64 + x, y) == kMagenta);
                if (r <= half) {
                    EXPECT_TRUE(shown) << cell << ": " << x << ", " << y;
                }
                if (r > half * 1.5 + 1) {
                    EXPECT_FALSE(shown) << cell << ": " << x << ", " << y;
                }
            }
        }
    }
}

TEST(SpriteSheets, EveryCellHoldsAPicture) {
    // Each picture of a multi-picture sheet shows something, and no two are the same.
    const struct {
        int32_t id, cells, cellWidth;
    } multi[] = {{2000, 3, 280}, {2004, 3, 50}, {2005, 3, 64}, {2006, 2, 90}, {2007, 10, 40},
                 {2008, 2, 48},  {2009, 5, 70}, {2013, 2, 70}, {2018, 4, 64}};
    for (const auto& m : multi) {
        SCOPED_TRACE(m.id);
        const Bitmap bmp = ReadBitmap(BitmapPath(m.id));
        ASSERT_TRUE(bmp.valid);
        const Colour key = m.id == 2008 ? kWhite : kMagenta;
        std::set<std::vector<uint8_t>> distinct;
        for (int32_t c = 0; c < m.cells; ++c) {
            std::vector<uint8_t> cell;
            int32_t shown = 0;
            for (int32_t y = 0; y < bmp.height; ++y) {
                for (int32_t x = 0; x < m.cellWidth; ++x) {
                    const size_t i = static_cast<size_t>(y * bmp.width + c * m.cellWidth + x);
                    cell.push_back(bmp.indices[i]);
                    shown += bmp.pixels[i] == key ? 0 : 1;
                }
            }
            EXPECT_GT(shown, m.cellWidth * bmp.height / 20) << "cell " << c;
            distinct.insert(cell);
        }
        EXPECT_EQ(distinct.size(), static_cast<size_t>(m.cells));
    }
}

TEST(WindowIcon, IsOne32x32ImageWith256Colours) {
    const auto d =
        ReadWholeFile<std::vector<uint8_t>>(std::string(GAME_RESOURCES_DIR) + "/icons/999.ico");
    ASSERT_GE(d.size(), 22u + 40u);
    EXPECT_EQ(U16(d, 0), 0u);
    EXPECT_EQ(U16(d, 2), 1u);  // an icon
    EXPECT_EQ(U16(d, 4), 1u);  // one image
    EXPECT_EQ(d[6], 32);
    EXPECT_EQ(d[7], 32);
    EXPECT_EQ(d[8], 0);  // 256 colours
    EXPECT_EQ(U16(d, 12), 8u);
    const uint32_t size = U32(d, 14);
    const uint32_t at = U32(d, 18);
    ASSERT_EQ(static_cast<size_t>(at) + size, d.size());
    EXPECT_EQ(U32(d, at), 40u);
    EXPECT_EQ(U32(d, at + 4), 32u);
    EXPECT_EQ(U32(d, at + 8), 64u);  // colour rows and mask rows
    EXPECT_EQ(U16(d, at + 14), 8u);
    // Header, 256 colours, 32 rows of 32 indices, 32 mask rows of 4 bytes.
    EXPECT_EQ(size, 40u + 1024u + 1024u + 128u);
}

TEST(MouseCursor, IsMonochromeWithItsHotSpotAtTheTopLeft) {
    const auto d =
        ReadWholeFile<std::vector<uint8_t>>(std::string(GAME_RESOURCES_DIR) + "/cursors/1000.cur");
    ASSERT_GE(d.size(), 22u + 40u);
    EXPECT_EQ(U16(d, 0), 0u);
    EXPECT_EQ(U16(d, 2), 2u);  // a cursor
    EXPECT_EQ(U16(d, 4), 1u);
    EXPECT_EQ(d[6], 32);
    EXPECT_EQ(d[7], 32);
    EXPECT_EQ(U16(d, 10), 0u);  // hot spot x
    EXPECT_EQ(U16(d, 12), 0u);  // hot spot y
    const uint32_t size = U32(d, 14);
    const uint32_t at = U32(d, 18);
    ASSERT_EQ(static_cast<size_t>(at) + size, d.size());
    EXPECT_EQ(U32(d, at + 8), 64u);
    EXPECT_EQ(U16(d, at + 14), 1u);
    ASSERT_EQ(size, 40u + 8u + 128u + 128u);
    // Rows are bottom-up; the colour rows come first, then the mask rows.
    auto bit = [&](size_t rows, int32_t x, int32_t y) {
        const uint8_t byte = d[rows + static_cast<size_t>((31 - y) * 4 + x / 8)];
        return (byte >> (7 - x % 8)) & 1;
    };
    const size_t colourRows = at + 48;
    const size_t maskRows = colourRows + 128;
    // The knob sits where the blast goes off, 4 pixels right of and below
    // the hot spot: it is drawn there, in white.
    EXPECT_EQ(bit(maskRows, 4, 4), 0);
    EXPECT_EQ(bit(colourRows, 4, 4), 1);
    // Far corner is see-through.
    EXPECT_EQ(bit(maskRows, 31, 0), 1);
    EXPECT_EQ(bit(colourRows, 31, 0), 0);
}

}  // namespace
