// The plain C++ parts of the browser form, checked natively: the pace of the
// ticks at the browser's frames, the effect samples handed to Web Audio and
// the pictures read from the page's files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/BitmapSource.h"
#include "tests/support/TestFiles.h"
#include "web/BmpFile.h"
#include "web/EffectSamples.h"
#include "web/FramePacer.h"

namespace {

// Ticks run in frames of `frameMs` from `start` for `durationMs`.
int CountTicks(CFramePacer& pacer, double start, double frameMs, double durationMs) {
    int ticks = 0;
    for (double t = start; t < start + durationMs; t += frameMs) {
        ticks += pacer.Frame(static_cast<uint32_t>(static_cast<uint64_t>(std::floor(t))));
    }
    return ticks;
}

TEST(FramePacerTest, KeepsTwentyFiveTicksASecondAtTheDisplaysFrames) {
    for (double rate : {60.0, 75.0, 120.0, 144.0, 30.0}) {
        CFramePacer pacer;
        EXPECT_NEAR(CountTicks(pacer, 1000.0, 1000.0 / rate, 10000.0), 250, 1) << rate << " Hz";
    }
    // Across the millisecond clock's wrap as well.
    CFramePacer pacer;
    EXPECT_NEAR(CountTicks(pacer, 4294967296.0 - 5000.0, 1000.0 / 60.0, 10000.0), 250, 1);
}

TEST(FramePacerTest, MakesNoTicksUpAfterAPauseInTheFrames) {
    CFramePacer pacer;
    CountTicks(pacer, 0.0, 1000.0 / 60.0, 1000.0);
    // The page was hidden for five seconds, or one tick ran that long: the
    // first frame after it ticks at once, and the pace goes on from there.
    EXPECT_TRUE(pacer.Frame(6000));
    EXPECT_EQ(CountTicks(pacer, 6000.0 + 1000.0 / 60.0, 1000.0 / 60.0, 1000.0 - 1000.0 / 60.0), 24);
}

// A format block: PCM or another tag, in the plain or the extensible form.
std::vector<uint8_t> FormatBlock(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                                 bool extensible = false) {
    const uint16_t align = uint16_t(channels * bits / 8);
    std::vector<uint8_t> block(sizeof(WAVEFORMATEX) + (extensible ? 22 : 0), 0);
    WAVEFORMATEX head = {extensible ? kWaveFormatExtensible : tag,
                         channels,
                         rate,
                         rate * align,
                         align,
                         bits,
                         uint16_t(extensible ? 22 : 0)};
    std::memcpy(block.data(), &head, sizeof head);
    if (extensible) {
        // Valid bits, channel mask, then the sub-format id: the tag and the
        // common tail.
        const uint8_t id[16] = {uint8_t(tag), uint8_t(tag >> 8),
                                0x00,         0x00,
                                0x00,         0x00,
                                0x10,         0x00,
                                0x80,         0x00,
                                0x00,         0xaa,
                                0x00,         0x38,
                                0x9b,         0x71};
        std::memcpy(block.data() + sizeof(WAVEFORMATEX) + 6, id, sizeof id);
    }
    return block;
}

const WAVEFORMATEX* Block(const std::vector<uint8_t>& bytes) {
    return reinterpret_cast<const WAVEFORMATEX*>(bytes.data());
}

TEST(EffectSamplesTest, ConvertsEveryFormatTheDesktopPlays) {
    CEffectSamples out;
    // 8 bits are unsigned around 128.
    const uint8_t eight[] = {0x80, 0xFF, 0x00, 0x40};
    ASSERT_TRUE(ConvertEffectSamples(Block(FormatBlock(1, 1, 22050, 8)), eight, 4, 4, &out));
    EXPECT_EQ(out.rate, 22050);
    EXPECT_EQ(out.frames, 4u);
    EXPECT_EQ(out.planar, (std::vector<float>{0.0f, 127.0f / 128.0f, -1.0f, -0.5f}));
    // 16-bit stereo comes out channel after channel.
    const int16_t sixteen[] = {16384, -32768, -16384, 32767};
    ASSERT_TRUE(ConvertEffectSamples(Block(FormatBlock(1, 2, 44100, 16)),
                                     reinterpret_cast<const uint8_t*>(sixteen), 8, 8, &out));
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.planar, (std::vector<float>{0.5f, -0.5f, -1.0f, 32767.0f / 32768.0f}));
    // 24 bits, little-endian.
    const uint8_t twentyFour[] = {0x00, 0x00, 0xC0, 0x00, 0x00, 0x40};
    ASSERT_TRUE(ConvertEffectSamples(Block(FormatBlock(1, 1, 48000, 24)), twentyFour, 6, 6, &out));
    EXPECT_EQ(out.planar, (std::vector<float>{-0.5f, 0.5f}));
    // 32-bit floats, in the extensible form too.
    const float floats[] = {0.25f, -0.75f};
    for (bool extensible : {false, true}) {
        ASSERT_TRUE(ConvertEffectSamples(Block(FormatBlock(3, 1, 8000, 32, extensible)),
                                         reinterpret_cast<const uint8_t*>(floats), 8, 8, &out));
        EXPECT_EQ(out.planar, (std::vector<float>{0.25f, -0.75f}));
    }
}

TEST(EffectSamplesTest, KeepsTheLengthTheFileStatesAndOnlyTheWholeFramesItHolds) {
    CEffectSamples out;
    const int16_t samples[] = {100, 200, 300};
    // Five bytes delivered of a 12-byte buffer: one whole stereo frame of
    // three, the rest silence.
    ASSERT_TRUE(ConvertEffectSamples(Block(FormatBlock(1, 2, 44100, 16)),
                                     reinterpret_cast<const uint8_t*>(samples), 5, 12, &out));
    EXPECT_EQ(out.frames, 3u);
    EXPECT_EQ(out.storedFrames, 1u);
    EXPECT_EQ(out.planar.size(), 2u);
}

TEST(EffectSamplesTest, RefusesWhatTheDesktopRefuses) {
    CEffectSamples out;
    const uint8_t data[64] = {};
    EXPECT_FALSE(ConvertEffectSamples(Block(FormatBlock(2, 1, 22050, 4)), data, 64, 64, &out));
    EXPECT_FALSE(ConvertEffectSamples(Block(FormatBlock(1, 1, 22050, 12)), data, 64, 64, &out));
    EXPECT_FALSE(ConvertEffectSamples(Block(FormatBlock(3, 1, 22050, 64)), data, 64, 64, &out));
    EXPECT_FALSE(ConvertEffectSamples(Block(FormatBlock(1, 9, 22050, 16)), data, 64, 64, &out));
    EXPECT_FALSE(ConvertEffectSamples(Block(FormatBlock(1, 1, 50, 16)), data, 64, 64, &out));
    EXPECT_FALSE(ConvertEffectSamples(Block(FormatBlock(1, 1, 22050, 16)), data, 2, 2, &out));
    std::vector<uint8_t> odd = FormatBlock(1, 2, 22050, 16);
    reinterpret_cast<WAVEFORMATEX*>(odd.data())->nBlockAlign = 3;
    EXPECT_FALSE(ConvertEffectSamples(Block(odd), data, 64, 64, &out));
    EXPECT_FALSE(ConvertEffectSamples(nullptr, data, 64, 64, &out));
}

TEST(BmpFileTest, ReadsEveryPictureAsTheDesktopDoes) {
    for (int32_t id = 2000; id <= 2019; ++id) {
        const auto file = ReadWholeFile<std::vector<uint8_t>>(
            std::string(GAME_SOURCE_DIR) + "/resources/bitmaps/" + std::to_string(id) + ".bmp");
        CPixelImage desktop;
        CPixelImage web;
        ASSERT_TRUE(LoadBitmapById(id, &desktop)) << id;
        ASSERT_TRUE(DecodeBmp(file.data(), file.size(), &web)) << id;
        EXPECT_EQ(web.width, desktop.width) << id;
        EXPECT_EQ(web.height, desktop.height) << id;
        EXPECT_TRUE(web.pixels == desktop.pixels) << id;
    }
}

TEST(BmpFileTest, RefusesAFileShorterThanItsHeadersSay) {
    const auto file = ReadWholeFile<std::vector<uint8_t>>(std::string(GAME_SOURCE_DIR) +
                                                          "/resources/bitmaps/2012.bmp");
    CPixelImage image;
    ASSERT_TRUE(DecodeBmp(file.data(), file.size(), &image));
    for (size_t size : {size_t(0), size_t(20), size_t(60), file.size() - 1}) {
        EXPECT_FALSE(DecodeBmp(file.data(), size, &image)) << size;
    }
    // A pixel offset beyond the end of the file.
    std::vector<uint8_t> lying = file;
    lying[10] = 0xFF;
    lying[11] = 0xFF;
    EXPECT_FALSE(DecodeBmp(lying.data(), lying.size(), &image));
}

}  // namespace
