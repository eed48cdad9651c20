// The players on a real SDL output: the disk driver writes what would reach
// the speakers into a file, in real time. The file holds every frame mixed
// since the output opened, so the tests find their calls in it by the
// output's own frame count, however far it falls behind the clock.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "AudioTestSupport.h"
#include "audio/AudioMixer.h"
#include "audio/FluidSynthMusic.h"
#include "audio/SDLSound.h"
#include "audio/WaveFile.h"

namespace {

constexpr int16_t kAudible = 300;

// First and last frame whose samples reach `level`.
std::pair<size_t, size_t> SoundingSpan(const std::vector<int16_t>& out, int level) {
    size_t first = 0, last = 0;
    bool found = false;
    for (size_t i = 0; i < out.size(); ++i) {
        if (std::abs(int(out[i])) >= level) {
            if (!found) {
                first = i / 2;
                found = true;
            }
            last = i / 2;
        }
    }
    return {first, last};
}

// Makes `call` between two blocks of output and returns the frame of the
// output it takes effect at: the first of the next block mixed.
template <typename Call>
size_t AtOutputFrame(void* device, Call call) {
    auto* mixer = static_cast<CAudioMixer*>(device);
    mixer->Lock();
    const size_t frame = mixer->FramesRendered();
    call();
    mixer->Unlock();
    return frame;
}

// Waits until the output has mixed `frame` frames, ten seconds at most.
void WaitForOutput(void* device, size_t frame) {
    auto* mixer = static_cast<CAudioMixer*>(device);
    for (int i = 0; i < 1000; ++i) {
        mixer->Lock();
        const size_t mixed = mixer->FramesRendered();
        mixer->Unlock();
        if (mixed >= frame) {
            return;
        }
        SleepSeconds(0.01);
    }
    ADD_FAILURE() << "the output stands still";
}

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        output = dir.Path("output.raw");
        UseDiskAudio(output);
    }

    CScratchDir dir;
    std::string output;
};

TEST_F(OutputTest, EffectPlaysAndRestartsOnTheOutput) {
    const std::string wave = dir.Path("tone.wav");
    ASSERT_TRUE(RunCommand("sox -n -r 44100 -b 16 -c 2 " + wave + " synth 0.3 sine 1000 vol 0.5"));
    const std::string small = dir.Path("small.wav");
    size_t firstPlay = 0;
    size_t secondPlay = 0;
    ASSERT_TRUE(RunCommand("sox -n -r 22050 -b 8 -c 1 " + small + " synth 0.1 sine 500"));
    {
        CSDLSound sound;
        sound.SetSlotCount(2);
        EXPECT_FALSE(sound.LoadWave(wave.c_str(), 0));  // no device yet
        EXPECT_EQ(sound.GetDirectSound(), nullptr);
        ASSERT_TRUE(sound.Init(nullptr));
        EXPECT_NE(sound.GetDirectSound(), nullptr);
        sound.SetSlotCount(2);
        ASSERT_TRUE(sound.LoadWave(wave.c_str(), 0));
        ASSERT_TRUE(sound.LoadWave(small.c_str(), 1));
        EXPECT_FALSE(sound.LoadWave(dir.Path("missing.wav").c_str(), 1));
        // A file that ends inside its samples still makes a buffer, whose
        // missing part is silence; a file without samples makes none.
        const std::string fmt = Chunk("fmt ", PcmRecord(1, 1, 8000, 8));
        WriteFile(dir.Path("cut.wav"), Riff("WAVE", fmt + "data" + Le32(100000) + "abc"));
        EXPECT_TRUE(sound.LoadWave(dir.Path("cut.wav").c_str(), 1));
        WriteFile(dir.Path("empty.wav"), Riff("WAVE", fmt + Chunk("data", "")));
        EXPECT_FALSE(sound.LoadWave(dir.Path("empty.wav").c_str(), 1));
        ASSERT_TRUE(sound.LoadWave(small.c_str(), 1));
        EXPECT_FALSE(sound.LoadWave(wave.c_str(), 2));
        void* device = sound.GetDirectSound();
        SleepSeconds(0.5);
        firstPlay = AtOutputFrame(device, [&] { EXPECT_EQ(sound.Play(0), 0); });
        // Early, so that even a test thread held up for a while afterwards
        // plays again before the first play is over.
        WaitForOutput(device, firstPlay + Frames(0.05));
        secondPlay = AtOutputFrame(device, [&] { EXPECT_EQ(sound.Play(0), 0); });
        WaitForOutput(device, secondPlay + Frames(0.4));
        EXPECT_FALSE(sound.IsPlaying(0));
    }
    std::vector<int16_t> out = ReadDiskOutput(output);
    ASSERT_GT(out.size() / 2, secondPlay + Frames(0.4));
    auto [first, last] = SoundingSpan(out, kAudible);
    EXPECT_NEAR(double(first), double(firstPlay), 8.0);
    // Restarted about 0.05 s in: that and the 0.3 s of a whole effect, at
    // the effect's own level (two copies at once would reach twice as high).
    ASSERT_LT(secondPlay - firstPlay, Frames(0.3)) << "the test slept too long to see a restart";
    EXPECT_NEAR(double(last), double(secondPlay + Frames(0.3)), 64.0);
    int peak = 0;
    for (int16_t sample : out) {
        peak = std::max(peak, std::abs(int(sample)));
    }
    EXPECT_NEAR(peak, 16384, 800);
}

TEST_F(OutputTest, MusicSoundsWhilePlayingAndStopsOnStop) {
    const std::string abc = dir.Path("tune.abc");
    WriteFile(abc, "X:1\nT:t\nM:4/4\nL:1/8\nQ:1/4=140\nK:G\nGABc dedB|GABc d2d2|\n");
    ASSERT_TRUE(RunCommand("abc2midi " + abc + " -o " + dir.Path("tune.mid")));
    size_t start = 0;
    {
        CSDLSound sound;
        ASSERT_TRUE(sound.Init(nullptr));
        void* device = sound.GetDirectSound();
        auto music = std::make_unique<CFluidSynthMusic>();
        ASSERT_TRUE(music->Init(nullptr, device));
        music->SetSlotCount(1);
        ASSERT_TRUE(music->Load(dir.Path("tune.mid").c_str(), 0));
        SleepSeconds(0.1);
        start = AtOutputFrame(device, [&] { music->Play(0); });
        WaitForOutput(device, start + Frames(1.0));
        const size_t stop = AtOutputFrame(device, [&] { EXPECT_EQ(music->Stop(0), 0); });
        WaitForOutput(device, stop + Frames(1.6));
        music.reset();  // the music player goes first
    }
    std::vector<int16_t> out = ReadDiskOutput(output);
    ASSERT_GT(out.size() / 2, start + Frames(2.5));
    EXPECT_GT(Rms(out, start + Frames(0.25), start + Frames(0.9)), 300.0);
    const size_t end = out.size() / 2;
    EXPECT_LT(Rms(out, end - Frames(0.4), end), 5.0);
}

// The effect of a WAV file as the effect player would hold it.
std::unique_ptr<CEffectBuffer> LoadEffect(const char* path) {
    if (g_waveFile.Open(path) != kWaveOk) {
        return nullptr;
    }
    const uint32_t bytes = g_waveFile.dataChunk.cksize;
    auto effect = CEffectBuffer::Create(g_waveFile.format, bytes, bytes);
    uint32_t read = 0;
    if (effect != nullptr) {
        g_waveFile.Read(bytes, effect->Samples(), &read);
    }
    g_waveFile.Close();
    return effect;
}

// What the mixer makes of a WAV file on its own, as 16-bit stereo.
std::vector<int16_t> RenderAlone(const char* path) {
    std::vector<int16_t> out;
    std::unique_ptr<CEffectBuffer> effect = LoadEffect(path);
    if (effect == nullptr) {
        return out;
    }
    const uint32_t frames = effect->StoredBytes() / effect->Format().frameBytes *
                            (CAudioMixer::kRate / effect->Format().rate + 1);
    CAudioMixer mixer;
    mixer.SetSlotCount(1);
    mixer.InstallEffect(0, std::move(effect));
    mixer.PlayEffect(0);
    out.resize(frames * 2);
    mixer.Render(out.data(), static_cast<int32_t>(frames));
    return out;
}

// How much of `part` the output holds at each frame offset in [from, to):
// the best projection of the output onto it, 1 where it is there whole.
double BestMatch(const std::vector<int16_t>& out, const std::vector<int16_t>& part, size_t from,
                 size_t to, size_t* where) {
    double energy = 0;
    for (int16_t value : part) {
        energy += double(value) * value;
    }
    double best = 0;
    for (size_t frame = from; frame < to && (frame * 2 + part.size()) <= out.size(); ++frame) {
        double dot = 0;
        for (size_t i = 0; i < part.size(); ++i) {
            dot += double(out[frame * 2 + i]) * part[i];
        }
        if (dot / energy > best) {
            best = dot / energy;
            *where = frame;
        }
    }
    return best;
}

// The game's order of set-up with the game's own sound files, the play
// music started and the click a second later.
TEST_F(OutputTest, GameOrderMusicFromTheStartSqueakAfterASecond) {
    ASSERT_EQ(chdir(GAME_ROOT_DIR), 0);
    size_t musicAt = 0;
    size_t clickAt = 0;
    {
        auto sound = std::make_unique<CSDLSound>();
        ASSERT_TRUE(sound->Init(nullptr));
        void* device = sound->GetDirectSound();
        sound->SetSlotCount(1);
        ASSERT_TRUE(sound->LoadWave("sound//kyu.wav", 0));
        auto music = std::make_unique<CFluidSynthMusic>();
        ASSERT_TRUE(music->Init(nullptr, sound->GetDirectSound()));
        music->SetSlotCount(2);
        ASSERT_TRUE(music->Load("sound//play.mid", 0));
        ASSERT_TRUE(music->Load("sound//gameover.mid", 1));
        music->SetLoop(0, 65535, 500);
        music->SetLoop(1, 65535, 500);
        musicAt = AtOutputFrame(device, [&] { music->Play(0); });
        WaitForOutput(device, musicAt + Frames(1.0));
        clickAt = AtOutputFrame(device, [&] { EXPECT_EQ(sound->Play(0), 0); });
        WaitForOutput(device, clickAt + Frames(1.0));
        music.reset();
        sound.reset();
    }
    std::vector<int16_t> out = ReadDiskOutput(output);
    ASSERT_GT(out.size() / 2, clickAt + Frames(0.8));
    // The music from the start (the output opened before the set-up)...
    auto [first, last] = SoundingSpan(out, kAudible);
    EXPECT_NEAR(double(first), double(musicAt), double(Frames(0.3)));
    EXPECT_GT(Rms(out, musicAt + Frames(0.3), musicAt + Frames(0.9)), 300.0);
    // ...and the squeak from the click on, not before.
    std::vector<int16_t> squeak = RenderAlone("sound//kyu.wav");
    ASSERT_GT(squeak.size(), 4000u);
    squeak.resize(4000);
    size_t where = 0;
    EXPECT_GT(BestMatch(out, squeak, clickAt - Frames(0.1), clickAt + Frames(0.4), &where), 0.8);
    EXPECT_NEAR(double(where), double(clickAt), 8.0);
    size_t early = 0;
    EXPECT_LT(BestMatch(out, squeak, 0, clickAt - Frames(0.1), &early), 0.5);
}

// The play music loops: after the piece's length has passed once it still
// sounds. Rendered without a device, as fast as it goes.
TEST(GameMusicTest, PlayMusicStillSoundsAfterItsLength) {
    ASSERT_EQ(chdir(GAME_ROOT_DIR), 0);
    MidiPiece piece;
    ASSERT_TRUE(LoadMidiFile("sound//play.mid", &piece));
    CFluidSynthMusic music;
    ASSERT_TRUE(music.Init(nullptr, nullptr));
    music.SetSlotCount(2);
    ASSERT_TRUE(music.Load("sound//play.mid", 0));
    music.SetLoop(0, 65535, 500);
    music.Play(0);
    // The piece's length in frames, through its tempo changes.
    double seconds = 0;
    uint32_t tempo = kDefaultTempo;
    int32_t at = 0;
    for (const MidiEvent& event : piece.events) {
        if (event.status == kMidiTempoStatus) {
            seconds += double(event.time - at) * tempo / 1e6 / kMusicTimePerQuarter;
            at = event.time;
            tempo = event.tempo;
        }
    }
    seconds += double(piece.length - at) * tempo / 1e6 / kMusicTimePerQuarter;
    std::vector<float> out(2 * 1024);
    int32_t last = 0;
    int jumps = 0;
    for (size_t frame = 0; frame < Frames(seconds + 0.5); frame += 1024) {
        music.MixInto(out.data(), 1024);
        int32_t now = music.Position();
        jumps += now < last ? 1 : 0;
        last = now;
    }
    EXPECT_EQ(jumps, 1);
    EXPECT_GE(last, 500);
    std::fill(out.begin(), out.end(), 0.0f);
    std::vector<float> tail(Frames(1.0) * 2, 0.0f);
    music.MixInto(tail.data(), static_cast<int32_t>(Frames(1.0)));
    double sum = 0;
    for (float value : tail) {
        sum += double(value) * value;
    }
    EXPECT_GT(std::sqrt(sum / double(tail.size())) * 32767.0, 100.0);
    EXPECT_TRUE(music.IsPlayingFlagSet());
}

// The play music with the click over it again and again, the clicks falling
// at every phase against the music and so on its loudest passage too: the mix
// never goes above -1 dBFS. The same with a click four times as loud, which
// the mixer holds down without losing it.
TEST(GameMixTest, ClicksOverThePlayMusicStayBelowMinusOneDbfs) {
    ASSERT_EQ(chdir(GAME_ROOT_DIR), 0);
    MidiPiece piece;
    ASSERT_TRUE(LoadMidiFile("sound//play.mid", &piece));
    const double seconds = double(piece.length) / kMusicTimePerQuarter * 0.5;  // 120 a minute
    constexpr int32_t kClickFrames = 8377;  // about 190 ms, each click heard whole
    for (int16_t boost : {1, 4}) {
        CAudioMixer mixer;
        std::unique_ptr<CEffectBuffer> click = LoadEffect("sound//kyu.wav");
        ASSERT_NE(click, nullptr);
        int16_t* samples = reinterpret_cast<int16_t*>(click->Samples());
        for (uint32_t i = 0; i < click->StoredBytes() / 2; ++i) {
            samples[i] = static_cast<int16_t>(samples[i] * boost);
        }
        mixer.SetSlotCount(1);
        mixer.InstallEffect(0, std::move(click));
        CFluidSynthMusic music;
        ASSERT_TRUE(music.Init(nullptr, &mixer));
        music.SetSlotCount(1);
        ASSERT_TRUE(music.Load("sound//play.mid", 0));
        music.SetLoop(0, 65535, 500);
        music.Play(0);
        std::vector<int16_t> out(kClickFrames * 2);
        int peak = 0;
        for (size_t frame = 0; frame < Frames(seconds); frame += kClickFrames) {
            mixer.PlayEffect(0);
            mixer.Render(out.data(), kClickFrames);
            for (int16_t sample : out) {
                peak = std::max(peak, std::abs(int(sample)));
            }
        }
        EXPECT_LE(peak, 29204) << "the click at " << boost << " times its level";
        if (boost > 1) {
            EXPECT_GT(peak, 27000);
        }
    }
}

}  // namespace
