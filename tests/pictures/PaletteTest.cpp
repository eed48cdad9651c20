// The generator's palette mapping and its file writers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "BitmapReader.h"
#include "tools/pictures/ImageFiles.h"
#include "tools/pictures/Palette.h"

namespace {

CPicture Flat(int32_t width, int32_t height, Rgb colour) {
    CPicture p;
    p.width = width;
    p.height = height;
    p.pixels.assign(static_cast<size_t>(width * height), colour);
    p.opaque.assign(p.pixels.size(), 1);
    return p;
}

CPalette Greys() {
    CPalette palette;
    palette.Add(kBlack);
    palette.Add(kKeyWhite);
    palette.Add(kKeyMagenta);
    for (int i = 1; i < 8; ++i) {
        const auto v = static_cast<uint8_t>(i * 32);
        palette.Add(Rgb{v, v, v});
    }
    return palette;
}

std::string TempPath(const std::string& name) {
    // The process id keeps test runs from other build folders apart.
    return (std::filesystem::temp_directory_path() /
            ("pictures_test_" + std::to_string(getpid()) + "_" + name))
        .string();
}

TEST(Quantise, KeyPixelsTakeTheKeyAndPicturePixelsNeverDo) {
    const CPalette palette = Greys();
    // A white picture on a sheet keyed on white: its pixels must not become
    // see-through, so they take the nearest other entry.
    CPicture p = Flat(4, 2, kKeyWhite);
    p.opaque[0] = 0;
    p.opaque[5] = 0;
    const CIndexedPicture out = Quantise(p, palette, 1, {1, 2}, false);
    for (size_t i = 0; i < out.index.size(); ++i) {
        if (p.opaque[i]) {
            EXPECT_NE(out.index[i], 1) << i;
            EXPECT_NE(out.index[i], 2) << i;
            EXPECT_EQ(palette.At(out.index[i]), (Rgb{224, 224, 224})) << i;
        } else {
            EXPECT_EQ(out.index[i], 1) << i;
        }
    }
}

TEST(Quantise, DitherKeepsTheAverageAndStaysInsideThePicture) {
    const CPalette palette = Greys();
    // Left: a grey between two entries, dithered. A see-through column.
    // Right: a grey that is an entry itself, which must come out unchanged:
    // no error may cross the gap.
    CPicture p = Flat(21, 20, Rgb{80, 80, 80});
    for (int32_t y = 0; y < 20; ++y) {
        p.opaque[static_cast<size_t>(y * 21 + 10)] = 0;
        for (int32_t x = 11; x < 21; ++x) {
            p.pixels[static_cast<size_t>(y * 21 + x)] = Rgb{96, 96, 96};
        }
    }
    const CIndexedPicture out = Quantise(p, palette, 2, {2}, true);
    double sum = 0;
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 0; x < 10; ++x) {
            sum += palette.At(out.index[static_cast<size_t>(y * 21 + x)]).r;
        }
        EXPECT_EQ(out.index[static_cast<size_t>(y * 21 + 10)], 2);
        for (int32_t x = 11; x < 21; ++x) {
            EXPECT_EQ(palette.At(out.index[static_cast<size_t>(y * 21 + x)]).r, 96)
                << x << "," << y;
        }
    }
    EXPECT_NEAR(sum / 200, 80.0, 2.0);
}

TEST(PaletteFill, AddsWhatIsMissingButNothingLikeAKey) {
    CPalette palette = Greys();
    // Near-white and near-magenta in the pictures: a 16-bit display would
    // turn entries this close into the keys.
    CPicture p = Flat(16, 16, Rgb{252, 253, 251});
    for (size_t i = 0; i < 128; ++i) {
        p.pixels[i] = Rgb{250, 4, 252};
    }
    for (size_t i = 128; i < 160; ++i) {
        p.pixels[i] = Rgb{20, 200, 40};
    }
    palette.FillFrom({&p}, 256);
    EXPECT_LE(palette.Size(), 256);
    for (int32_t i = 3; i < palette.Size(); ++i) {
        EXPECT_FALSE(LooksLikeKey(palette.At(i), kKeyWhite)) << i;
        EXPECT_FALSE(LooksLikeKey(palette.At(i), kKeyMagenta)) << i;
    }
    const Rgb green = palette.At(palette.Nearest(20, 200, 40, {}));
    EXPECT_LE(std::abs(green.g - 200), 4);
    EXPECT_LE(std::abs(green.r - 20), 4);
}

TEST(PaletteFill, NeverGrowsPastItsLimit) {
    CPalette palette = Greys();
    CPicture p = Flat(64, 64, kBlack);
    for (size_t i = 0; i < p.pixels.size(); ++i) {
        p.pixels[i] = Rgb{static_cast<uint8_t>(i * 7), static_cast<uint8_t>(i * 13),
                          static_cast<uint8_t>(i * 29)};
    }
    palette.FillFrom({&p}, 40);
    EXPECT_EQ(palette.Size(), 40);
}

TEST(KeyLikeness, FollowsWhatA16BitDisplayKeeps) {
    EXPECT_TRUE(LooksLikeKey(Rgb{254, 254, 254}, kKeyWhite));
    EXPECT_TRUE(LooksLikeKey(Rgb{248, 7, 250}, kKeyMagenta));
    EXPECT_FALSE(LooksLikeKey(Rgb{247, 255, 255}, kKeyWhite));
    EXPECT_FALSE(LooksLikeKey(Rgb{255, 8, 255}, kKeyMagenta));
}

TEST(BitmapWriter, RoundTripsOddWidthsAtBothDepths) {
    // Widths that need row padding, and a 4-bit row ending in half a byte.
    for (const int32_t bits : {8, 4}) {
        SCOPED_TRACE(bits);
        CIndexedPicture p;
        p.width = 5;
        p.height = 3;
        for (int32_t i = 0; i < 15; ++i) {
            p.index.push_back(static_cast<uint8_t>(i));
        }
        const std::vector<Rgb> palette = {kBlack, kKeyMagenta, Rgb{10, 20, 30}};
        const std::string path = TempPath("odd.bmp");
        ASSERT_TRUE(WriteBitmap(path, p, palette, bits));
        const picturetest::Bitmap bmp = picturetest::ReadBitmap(path);
        ASSERT_TRUE(bmp.valid);
        EXPECT_EQ(bmp.bits, static_cast<uint32_t>(bits));
        EXPECT_EQ(bmp.width, 5);
        EXPECT_EQ(bmp.height, 3);
        EXPECT_EQ(bmp.indices, p.index);  // top row first, as drawn
        EXPECT_EQ(bmp.palette.size(), bits == 8 ? 256u : 16u);
        EXPECT_EQ(bmp.palette[2], (picturetest::Colour{10, 20, 30}));
        std::filesystem::remove(path);
    }
}

TEST(BitmapWriter, RefusesIndicesA4BitFileCannotHold) {
    CIndexedPicture p;
    p.width = 2;
    p.height = 1;
    p.index = {3, 16};
    EXPECT_FALSE(WriteBitmap(TempPath("wide.bmp"), p, {kBlack}, 4));
    EXPECT_FALSE(WriteBitmap(TempPath("wide.bmp"), p, {kBlack}, 2));
    std::filesystem::remove(TempPath("wide.bmp"));
}

TEST(IconAndCursorWriters, MaskMarksTheSeeThroughPixels) {
    // Icon: the transparent index becomes a mask bit and black colour.
    CIndexedPicture icon;
    icon.width = 32;
    icon.height = 32;
    icon.index.assign(32 * 32, 7);
    icon.index[0] = 2;  // top-left see-through
    const std::string iconPath = TempPath("icon.ico");
    ASSERT_TRUE(WriteIcon(iconPath, icon, {kBlack}, 2));
    const std::vector<uint8_t> ico = ReadWholeFile<std::vector<uint8_t>>(iconPath);
    const size_t colourRows = 22 + 40 + 1024;
    const size_t maskRows = colourRows + 1024;
    ASSERT_EQ(ico.size(), maskRows + 128);
    EXPECT_EQ(ico[colourRows + 31 * 32], 0);  // top row is stored last
    EXPECT_EQ(ico[colourRows + 31 * 32 + 1], 7);
    EXPECT_EQ(ico[maskRows + 31 * 4], 0x80);
    EXPECT_EQ(ico[maskRows], 0x00);

    // Cursor: 0 see-through, 1 black, 2 white, in its two bit planes.
    std::vector<uint8_t> cursor(32 * 32, 0);
    cursor[0] = 1;
    cursor[1] = 2;
    const std::string curPath = TempPath("cursor.cur");
    ASSERT_TRUE(WriteCursor(curPath, cursor, 0, 0));
    EXPECT_FALSE(WriteCursor(curPath, std::vector<uint8_t>(10, 0), 0, 0));
    const std::vector<uint8_t> cur = ReadWholeFile<std::vector<uint8_t>>(curPath);
    const size_t curColour = 22 + 40 + 8;
    const size_t curMask = curColour + 128;
    ASSERT_EQ(cur.size(), curMask + 128);
    EXPECT_EQ(cur[curColour + 31 * 4], 0x40);  // only the white pixel
    EXPECT_EQ(cur[curMask + 31 * 4], 0x3f);    // all but the first two
    EXPECT_EQ(cur[curMask + 31 * 4 + 1], 0xff);
    std::filesystem::remove(iconPath);
    std::filesystem::remove(curPath);
}

}  // namespace
