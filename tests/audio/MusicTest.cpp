// The music player without an audio device: its output is pulled by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "AudioTestSupport.h"
#include "audio/FluidSynthMusic.h"

namespace {

std::string Be16(uint16_t value) {
    return std::string{static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
}

std::string Be32(uint32_t value) {
    return Be16(value >> 16) + Be16(value & 0xFFFF);
}

// A format 0 file with 480 ticks a quarter.
std::string MidiFile(const std::string& events) {
    std::string track = events + std::string("\x00\xFF\x2F\x00", 4);
    return "MThd" + Be32(6) + Be16(0) + Be16(1) + Be16(480) + "MTrk" +
           Be32(static_cast<uint32_t>(track.size())) + track;
}

// Four quarter notes of a piano at 100 quarters a minute: 3072 units, 2.4 s.
const std::string kFourNotes =
    std::string("\x00\xFF\x51\x03\x09\x27\xC0\x00\xC0\x00", 10) +
    std::string("\x00\x90\x3C\x60\x83\x60\x80\x3C\x00\x00\x90\x3E\x60\x83\x60\x80\x3E\x00", 18) +
    std::string("\x00\x90\x40\x60\x83\x60\x80\x40\x00\x00\x90\x41\x60\x83\x60\x80\x41\x00", 18);
// One organ chord held from the first to the last unit (3072, 2 s).
const std::string kHeldOrgan = std::string("\x00\xC0\x13\x00\x90\x3C\x60\x00\x90\x43\x60", 11) +
                               std::string("\x8F\x00\x80\x3C\x00\x00\x80\x43\x00", 9);
// Shorter than the loop start plus the end margin: a quarter note.
const std::string kShort = std::string("\x00\x90\x3C\x60\x83\x60\x80\x3C\x00", 9);

constexpr int32_t kBlock = 64;

class MusicTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(music.Init(nullptr, nullptr));
        music.SetSlotCount(3);
        Write("four.mid", kFourNotes);
        Write("organ.mid", kHeldOrgan);
        Write("short.mid", kShort);
    }

    void Write(const std::string& name, const std::string& events) {
        WriteFile(dir.Path(name), MidiFile(events));
    }

    bool Load(const std::string& name, int32_t slot) {
        return music.Load(dir.Path(name).c_str(), slot);
    }

    // Renders `seconds` of music; returns its RMS in 16-bit steps.
    double Pull(double seconds) {
        std::vector<float> out(Frames(seconds) * 2, 0.0f);
        music.MixInto(out.data(), static_cast<int32_t>(Frames(seconds)));
        double sum = 0;
        for (float value : out) {
            sum += double(value) * value;
        }
        return std::sqrt(sum / double(out.size())) * 32767.0;
    }

    // Renders block by block, noting the frame of every jump back in time
    // (from -> to) until the sequencer stops or `maxSeconds` pass.
    struct Jump {
        size_t frame;
        int32_t from;
        int32_t to;
    };
    std::vector<Jump> Follow(double maxSeconds, size_t* endFrame) {
        std::vector<Jump> jumps;
        std::vector<float> out(kBlock * 2);
        int32_t last = music.Position();
        *endFrame = 0;
        for (size_t frame = 0; frame < Frames(maxSeconds); frame += kBlock) {
            music.MixInto(out.data(), kBlock);
            int32_t now = music.Position();
            if (now < 0) {
                *endFrame = frame + kBlock;
                break;
            }
            if (now < last) {
                jumps.push_back({frame, last, now});
            }
            last = now;
        }
        return jumps;
    }

    CScratchDir dir;
    CFluidSynthMusic music;
};

// Seconds that `units` of music time take at 100 quarters a minute.
double At100(double units) {
    return units / kMusicTimePerQuarter * 0.6;
}

TEST_F(MusicTest, PlayingFlagRules) {
    ASSERT_TRUE(Load("four.mid", 0));
    ASSERT_TRUE(Load("organ.mid", 1));
    EXPECT_FALSE(music.IsPlayingFlagSet());
    music.Play(0);
    EXPECT_TRUE(music.IsPlayingFlagSet());
    EXPECT_GT(Pull(0.5), 100.0);
    // A second Play neither restarts nor switches.
    int32_t before = music.Position();
    music.Play(0);
    music.Play(1);
    EXPECT_EQ(music.SequencedSlot(), 0);
    EXPECT_EQ(music.Position(), before);
    // Stop on the other slot clears the flag but leaves slot 0 sounding.
    EXPECT_EQ(music.Stop(1), 0);
    EXPECT_FALSE(music.IsPlayingFlagSet());
    EXPECT_EQ(music.SequencedSlot(), 0);
    // Now Play is no longer blocked and the new piece replaces the old one.
    music.Play(1);
    EXPECT_EQ(music.SequencedSlot(), 1);
    EXPECT_EQ(music.Position(), 0);
    EXPECT_EQ(music.Stop(1), 0);
    EXPECT_EQ(music.SequencedSlot(), -1);
    Pull(1.5);
    EXPECT_LT(Pull(0.5), 2.0);  // silence after the release tails
    // An empty slot plays nothing and leaves the flag clear.
    music.Play(2);
    EXPECT_FALSE(music.IsPlayingFlagSet());
    EXPECT_EQ(music.SequencedSlot(), -1);
}

TEST_F(MusicTest, FlagStaysSetWhenAPieceEndsByItself) {
    ASSERT_TRUE(Load("four.mid", 0));
    music.Play(0);
    size_t end;
    EXPECT_TRUE(Follow(4.0, &end).empty());
    EXPECT_NEAR(double(end), double(Frames(At100(3072))), kBlock);
    EXPECT_TRUE(music.IsPlayingFlagSet());
    music.Play(0);
    EXPECT_EQ(music.SequencedSlot(), -1);
    music.Stop(0);
    music.Play(0);
    EXPECT_EQ(music.SequencedSlot(), 0);
}

TEST_F(MusicTest, LoopRepeatsThenPlaysToTheEnd) {
    ASSERT_TRUE(Load("four.mid", 0));
    music.SetLoop(0, 2, 500);
    int32_t start, end;
    uint32_t repeats;
    ASSERT_TRUE(music.GetLoop(0, &start, &end, &repeats));
    EXPECT_EQ(start, 500);
    EXPECT_EQ(end, 3072 - 250);
    EXPECT_EQ(repeats, 2u);
    music.Play(0);
    size_t endFrame;
    std::vector<Jump> jumps = Follow(8.0, &endFrame);
    ASSERT_EQ(jumps.size(), 2u);
    const double loop = At100(2822 - 500);
    EXPECT_NEAR(double(jumps[0].frame), double(Frames(At100(2822))), kBlock + 1);
    EXPECT_NEAR(double(jumps[1].frame), double(Frames(At100(2822) + loop)), kBlock + 1);
    for (const Jump& jump : jumps) {
        EXPECT_GE(jump.from, 2822 - 60);
        EXPECT_LE(jump.to, 500 + 60);
        EXPECT_GE(jump.to, 500);
    }
    // After the repeats the piece runs to its very end.
    EXPECT_NEAR(double(endFrame), double(Frames(At100(3072) + 2 * loop)), kBlock + 1);
}

TEST_F(MusicTest, GameLoopKeepsGoingAndReleasesHeldNotesAtTheJump) {
    ASSERT_TRUE(Load("organ.mid", 0));
    music.SetLoop(0, 65535, 500);
    music.Play(0);
    // The organ chord sounds until the jump at 2822 units (1.84 s)...
    EXPECT_GT(Pull(1.7), 300.0);
    size_t unused;
    std::vector<Jump> jumps = Follow(0.3, &unused);
    ASSERT_EQ(jumps.size(), 1u);
    // ...and is released there: its note-on lies before the loop start, so
    // nothing sounds until the next jump.
    Pull(0.8);
    EXPECT_LT(Pull(0.4), 5.0);
    jumps = Follow(20.0, &unused);
    EXPECT_GE(jumps.size(), 10u);
    EXPECT_GE(music.Position(), 500);
}

// Four quarter notes at 123 quarters a minute, the last two at 90: tempos
// at which no event falls on a whole frame.
const std::string kTwoTempos =
    std::string("\x00\xFF\x51\x03\x07\x71\x7D\x00\xC0\x00\x00\x90\x3C\x60", 14) +
    std::string("\x83\x60\x80\x3C\x00\x00\x90\x3E\x60\x83\x60\xFF\x51\x03\x0A\x2C\x2B", 17) +
    std::string("\x00\x80\x3E\x00\x00\x90\x40\x60\x83\x60\x80\x40\x00\x00\x90\x41\x60", 17) +
    std::string("\x83\x60\x80\x41\x00", 5);

// Frames of kTwoTempos from music time `from`, before its tempo change at
// 1536, to `to`, after it.
double TwoTemposFrames(int32_t from, int32_t to) {
    const auto frames = [](double units, double tempo) {
        return units * tempo * double(kFramesPerSecond) / (kMusicTimePerQuarter * 1e6);
    };
    return frames(1536 - from, 487805) + frames(to - 1536, 666667);
}

// Each loop jump falls on the first frame at or after its exact time,
// however many passes went before: no rounding is carried from one event or
// one pass to the next.
TEST_F(MusicTest, LoopJumpsKeepTimeOverManyPasses) {
    Write("tempos.mid", kTwoTempos);
    ASSERT_TRUE(Load("tempos.mid", 0));
    music.SetLoop(0, 65535, 500);
    const double first = TwoTemposFrames(0, 2822);
    const double pass = TwoTemposFrames(500, 2822);
    music.Play(0);
    std::vector<float> out(1024 * 2);
    std::vector<int64_t> jumps;
    while (jumps.size() < 12) {
        music.MixInto(out.data(), 1024);
        const int64_t jump = music.LastJump();
        if (jump >= 0 && (jumps.empty() || jumps.back() != jump)) {
            jumps.push_back(jump);
        }
    }
    for (size_t k = 0; k < jumps.size(); ++k) {
        const double ideal = first + double(k) * pass;
        EXPECT_GE(double(jumps[k]), ideal - 1e-3) << "jump " << k + 1;
        EXPECT_LT(double(jumps[k]), ideal + 1.0) << "jump " << k + 1;
    }
}

// With its repeats used up the piece goes on past the loop end, and the
// sequencer notes the frame at which it did, where the next jump would have
// been: the browser's renderings repeat the loop between the two.
TEST_F(MusicTest, TheLoopEndPassedWithoutARepeatIsNoted) {
    Write("tempos.mid", kTwoTempos);
    ASSERT_TRUE(Load("tempos.mid", 0));
    music.SetLoop(0, 1, 500);
    const double first = TwoTemposFrames(0, 2822);
    const double pass = TwoTemposFrames(500, 2822);
    music.Play(0);
    std::vector<float> out(1024 * 2);
    int64_t jump = -1;
    int64_t loopEnd = -1;
    while (music.Position() >= 0) {
        music.MixInto(out.data(), 1024);
        jump = std::max(jump, music.LastJump());
        loopEnd = std::max(loopEnd, music.LastLoopEnd());
    }
    EXPECT_NEAR(double(jump), first + 0.5, 0.5);
    EXPECT_NEAR(double(loopEnd), first + pass + 0.5, 0.5);
}

TEST_F(MusicTest, LoopPointsThePieceCannotHaveAreRefused) {
    ASSERT_TRUE(Load("short.mid", 0));
    music.SetLoop(0, 3, 500);  // the end would be 768 - 250 = 518 > 500: kept
    int32_t start, end;
    uint32_t repeats;
    ASSERT_TRUE(music.GetLoop(0, &start, &end, &repeats));
    EXPECT_EQ(start, 500);
    EXPECT_EQ(end, 518);
    ASSERT_TRUE(Load("short.mid", 1));
    music.SetLoop(1, 3, 600);  // the end before the start: refused
    ASSERT_TRUE(music.GetLoop(1, &start, &end, &repeats));
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 0);
    EXPECT_EQ(repeats, 3u);
    // With no loop points the whole piece repeats.
    music.Play(1);
    size_t endFrame;
    std::vector<Jump> jumps = Follow(3.0, &endFrame);
    EXPECT_EQ(jumps.size(), 3u);
    EXPECT_NEAR(double(endFrame), double(Frames(4 * 0.5)), kBlock + 1);
    // An empty slot: nothing to loop.
    music.SetLoop(2, 1, 500);
    EXPECT_FALSE(music.GetLoop(2, &start, &end, &repeats));
}

TEST_F(MusicTest, LoadReplacesAndReportsFailures) {
    ASSERT_TRUE(Load("four.mid", 0));
    music.Play(0);
    // Loading over the sounding piece stops it.
    EXPECT_FALSE(Load("missing.mid", 0));
    EXPECT_EQ(music.SequencedSlot(), -1);
    music.Stop(0);
    music.Play(0);
    EXPECT_FALSE(music.IsPlayingFlagSet());
    WriteFile(dir.Path("text.mid"), "not a midi file at all");
    EXPECT_FALSE(Load("text.mid", 1));
    EXPECT_FALSE(music.Load(dir.Path("four.mid").c_str(), 7));
    // Negative counts leave the table.
    ASSERT_TRUE(Load("four.mid", 2));
    music.SetSlotCount(-1);
    int32_t start, end;
    uint32_t repeats;
    EXPECT_TRUE(music.GetLoop(2, &start, &end, &repeats));
    music.Noop(12345);
}

TEST(MusicEngineTest, WithoutASoundFontThereIsNoEngine) {
    CScratchDir dir;
    WriteFile(dir.Path("four.mid"), MidiFile(kFourNotes));
    CFluidSynthMusic music(dir.Path("missing.sf2"));
    EXPECT_FALSE(music.Init(nullptr, nullptr));
    // A player without an engine keeps its slots empty and says yes.
    music.SetSlotCount(1);
    EXPECT_TRUE(music.Load(dir.Path("four.mid").c_str(), 0));
    music.Play(0);
    EXPECT_FALSE(music.IsPlayingFlagSet());
    EXPECT_NE(music.Stop(0), 0);
}

}  // namespace
