// The mixer driven by hand, without an audio device.
#include <gtest/gtest.h>

#include <cstring>

#include "audio/AudioMixer.h"
#include "devices/GameNumbers.h"

namespace {

WAVEFORMATEX Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    WAVEFORMATEX block{};
    block.wFormatTag = kWaveFormatPcm;
    block.nChannels = channels;
    block.nSamplesPerSec = rate;
    block.nBlockAlign = static_cast<uint16_t>(channels * bits / 8);
    block.nAvgBytesPerSec = rate * block.nBlockAlign;
    block.wBitsPerSample = bits;
    return block;
}

// A 16-bit stereo effect at the output rate whose left samples count up in
// steps of 90 (staying below the mixer's ceiling) and whose right samples are
// their negatives.
std::unique_ptr<CEffectBuffer> Ramp(uint32_t frames) {
    WAVEFORMATEX block = Pcm(2, 44100, 16);
    auto effect = CEffectBuffer::Create(&block, frames * 4, frames * 4);
    EXPECT_NE(effect, nullptr);
    int16_t* samples = reinterpret_cast<int16_t*>(effect->Samples());
    for (uint32_t i = 0; i < frames; ++i) {
        samples[2 * i] = static_cast<int16_t>(90 * (i + 1));
        samples[2 * i + 1] = static_cast<int16_t>(-90 * int(i + 1));
    }
    return effect;
}

std::vector<int16_t> Render(CAudioMixer& mixer, int32_t frames) {
    std::vector<int16_t> out(frames * 2);
    mixer.Render(out.data(), frames);
    return out;
}

// Frames at the start of `out` that are not silent, counting from the end.
size_t SoundingFrames(const std::vector<int16_t>& out) {
    for (size_t frame = out.size() / 2; frame > 0; --frame) {
        if (out[2 * frame - 2] != 0 || out[2 * frame - 1] != 0) {
            return frame;
        }
    }
    return 0;
}

TEST(MixerTest, DescribesTheFormatsTheDevicePlays) {
    EffectFormat format;
    WAVEFORMATEX u8 = Pcm(1, 22050, 8);
    ASSERT_TRUE(DescribeEffectFormat(&u8, &format));
    EXPECT_EQ(format.format, AUDIO_U8);
    EXPECT_EQ(format.silence, 0x80);
    WAVEFORMATEX s24 = Pcm(2, 48000, 24);
    ASSERT_TRUE(DescribeEffectFormat(&s24, &format));
    EXPECT_TRUE(format.widen24);
    EXPECT_EQ(format.frameBytes, 6u);
    WAVEFORMATEX f32 = Pcm(2, 44100, 32);
    f32.wFormatTag = kWaveFormatIeeeFloat;
    ASSERT_TRUE(DescribeEffectFormat(&f32, &format));
    EXPECT_EQ(format.format, AUDIO_F32LSB);

    // WAVE_FORMAT_EXTENSIBLE naming float samples.
    struct {
        WAVEFORMATEX head;
        uint8_t extra[22];
    } extensible{};
    extensible.head = Pcm(2, 44100, 32);
    extensible.head.wFormatTag = kWaveFormatExtensible;
    extensible.head.cbSize = 22;
    const uint8_t floatId[16] = {3, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xaa, 0, 0x38, 0x9b, 0x71};
    std::memcpy(extensible.extra + 6, floatId, 16);
    ASSERT_TRUE(DescribeEffectFormat(&extensible.head, &format));
    EXPECT_EQ(format.format, AUDIO_F32LSB);
    extensible.extra[20] = 0;  // another vendor's id
    EXPECT_FALSE(DescribeEffectFormat(&extensible.head, &format));
    extensible.extra[20] = 0x9b;
    extensible.head.cbSize = 21;
    EXPECT_FALSE(DescribeEffectFormat(&extensible.head, &format));

    WAVEFORMATEX refused[] = {Pcm(1, 8000, 4), Pcm(0, 8000, 16), Pcm(9, 8000, 16),
                              Pcm(1, 50, 16),  Pcm(1, 8000, 12), Pcm(2, 8000, 16)};
    refused[0].wFormatTag = 2;  // compressed
    refused[5].nBlockAlign = 3;
    for (const WAVEFORMATEX& block : refused) {
        EXPECT_FALSE(DescribeEffectFormat(&block, &format));
    }
    EXPECT_FALSE(DescribeEffectFormat(nullptr, &format));
    // The device's limits on the buffer size.
    EXPECT_EQ(CEffectBuffer::Create(&u8, 3, 3), nullptr);
    EXPECT_EQ(CEffectBuffer::Create(&u8, 0x10000000, 0), nullptr);
}

TEST(MixerTest, EffectPlaysOnceAndRestartsOnPlay) {
    CAudioMixer mixer;
    mixer.SetSlotCount(1);
    mixer.InstallEffect(0, Ramp(300));
    EXPECT_EQ(SoundingFrames(Render(mixer, 500)), 0u);
    ASSERT_EQ(mixer.PlayEffect(0), 0);
    std::vector<int16_t> out = Render(mixer, 200);
    for (int i = 0; i < 200; ++i) {
        ASSERT_NEAR(out[2 * i], 90 * (i + 1), 1) << i;
        ASSERT_NEAR(out[2 * i + 1], -90 * (i + 1), 1) << i;
    }
    // A second Play cuts it and starts again at its first sample: never two
    // copies at once.
    ASSERT_EQ(mixer.PlayEffect(0), 0);
    out = Render(mixer, 400);
    EXPECT_NEAR(out[0], 90, 1);
    EXPECT_NEAR(out[2 * 299], 27000, 1);
    EXPECT_EQ(SoundingFrames(out), 300u);
    EXPECT_FALSE(mixer.IsEffectPlaying(0));

    // Stop halts it; the next Play starts from the beginning.
    ASSERT_EQ(mixer.PlayEffect(0), 0);
    Render(mixer, 100);
    ASSERT_EQ(mixer.StopEffect(0), 0);
    EXPECT_EQ(SoundingFrames(Render(mixer, 100)), 0u);
    ASSERT_EQ(mixer.PlayEffect(0), 0);
    EXPECT_NEAR(Render(mixer, 1)[0], 90, 1);
}

TEST(MixerTest, ShortFileLeavesSilenceNotLeftOverMemory) {
    // An 8-bit buffer of 1000 bytes of which the file delivered 10.
    WAVEFORMATEX block = Pcm(1, 44100, 8);
    auto effect = CEffectBuffer::Create(&block, 1000, 10);
    ASSERT_NE(effect, nullptr);
    ASSERT_EQ(effect->StoredBytes(), 10u);
    for (uint32_t i = 0; i < effect->StoredBytes(); ++i) {
        EXPECT_EQ(effect->Samples()[i], 0x80);  // 8-bit silence
    }
    std::memset(effect->Samples(), 0xFF, 10);
    CAudioMixer mixer;
    mixer.SetSlotCount(1);
    mixer.InstallEffect(0, std::move(effect));
    ASSERT_EQ(mixer.PlayEffect(0), 0);
    std::vector<int16_t> out = Render(mixer, 990);
    EXPECT_GT(out[0], 20000);  // loud (held at the ceiling), not silence
    EXPECT_EQ(SoundingFrames(out), 10u);
    // The silent rest still takes its time, as the buffer is that long.
    EXPECT_TRUE(mixer.IsEffectPlaying(0));
    Render(mixer, 20);
    EXPECT_FALSE(mixer.IsEffectPlaying(0));
}

TEST(MixerTest, OtherRatesAreConvertedByTheDevice) {
    WAVEFORMATEX block = Pcm(1, 22050, 8);
    auto effect = CEffectBuffer::Create(&block, 2205, 2205);
    ASSERT_NE(effect, nullptr);
    for (uint32_t i = 0; i < 2205; ++i) {
        effect->Samples()[i] = (i / 10) % 2 ? 0xC0 : 0x40;
    }
    CAudioMixer mixer;
    mixer.SetSlotCount(1);
    mixer.InstallEffect(0, std::move(effect));
    mixer.PlayEffect(0);
    // A tenth of a second at 22.05 kHz is a tenth of a second at 44.1 kHz.
    size_t frames = SoundingFrames(Render(mixer, 8000));
    EXPECT_NEAR(double(frames), 4410.0, 50.0);
}

TEST(MixerTest, VolumeAndSlotTable) {
    CAudioMixer mixer;
    mixer.SetSlotCount(2);
    mixer.InstallEffect(1, Ramp(100));
    EXPECT_EQ(mixer.SetVolume(1), kInvalidParam);
    EXPECT_EQ(mixer.SetVolume(-10001), kInvalidParam);
    ASSERT_EQ(mixer.SetVolume(-602), 0);  // half the amplitude
    mixer.PlayEffect(1);
    EXPECT_NEAR(Render(mixer, 100)[2 * 99], 4500, 10);
    ASSERT_EQ(mixer.SetVolume(-10000), 0);
    mixer.PlayEffect(1);
    EXPECT_EQ(SoundingFrames(Render(mixer, 100)), 0u);
    mixer.SetVolume(0);

    // A negative count leaves the table; any other count empties it.
    mixer.SetSlotCount(-1);
    EXPECT_TRUE(mixer.HasEffect(1));
    mixer.SetSlotCount(1);
    EXPECT_FALSE(mixer.HasEffect(0));
    EXPECT_FALSE(mixer.IsSlot(1));
    EXPECT_NE(mixer.PlayEffect(0), 0);
    EXPECT_NE(mixer.PlayEffect(5), 0);
    mixer.SetSlotCount(kMaxPlayerSlots + 1);
    EXPECT_FALSE(mixer.IsSlot(0));
}

}  // namespace
