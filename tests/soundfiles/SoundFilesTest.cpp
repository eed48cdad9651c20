// Checks the committed sound files the game loads at start-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <tuple>

#include "SoundFileReaders.h"
#include "devices/GameNumbers.h"

namespace {

const std::string kSoundDir = SOUND_DIR;
constexpr int32_t kQuarter = 768;  // the music player's units per quarter note

TEST(ClickSound, IsAShortSixteenBitPcmFileAt44100) {
    std::vector<uint8_t> bytes = ReadWholeFile<std::vector<uint8_t>>(kSoundDir + "/kyu.wav");
    SWaveFile wave;
    std::string error;
    ASSERT_TRUE(ParseWaveFile(bytes, wave, error)) << error;
    EXPECT_EQ(wave.riffSize + 8, bytes.size());
    EXPECT_EQ(wave.formatTag, 1);
    EXPECT_EQ(wave.rate, 44100);
    EXPECT_EQ(wave.bits, 16);
    ASSERT_TRUE(wave.channels == 1 || wave.channels == 2);
    EXPECT_EQ(wave.blockAlign, 2 * wave.channels);
    EXPECT_EQ(wave.bytesPerSecond, wave.rate * wave.blockAlign);
    double seconds = static_cast<double>(wave.samples.size()) / wave.channels / wave.rate;
    EXPECT_LT(seconds, 0.3);
    EXPECT_GT(seconds, 0.05);
}

TEST(ClickSound, IsAudibleUnclippedRisingAndStartsAndEndsQuietly) {
    SWaveFile wave;
    std::string error;
    ASSERT_TRUE(
        ParseWaveFile(ReadWholeFile<std::vector<uint8_t>>(kSoundDir + "/kyu.wav"), wave, error))
        << error;
    ASSERT_EQ(wave.channels, 1);
    const std::vector<int16_t>& s = wave.samples;
    ASSERT_GT(s.size(), 300u);
    int peak = 0;
    for (int16_t v : s) {
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    }
    // Audible, yet low enough to sit in the mix a few decibels above the
    // music rather than far over it (it peaks at about -14 dBFS).
    EXPECT_GT(peak, 32767 / 8);
    EXPECT_LT(peak, 32767 / 3);
    // No click: the first and last few milliseconds fade from and to silence.
    EXPECT_LT(std::abs(s.front()), 64);
    EXPECT_LT(std::abs(s.back()), 64);
    for (size_t i = 0; i < 44; ++i) {
        EXPECT_LT(std::abs(s[i]), peak / 4) << "sample " << i;
        EXPECT_LT(std::abs(s[s.size() - 1 - i]), peak / 4) << "sample from the end " << i;
    }
    // The pitch rises: more zero crossings in the last third than the first.
    auto crossings = [&](size_t from, size_t to) {
        int count = 0;
        for (size_t i = from + 1; i < to; ++i) {
            count += (s[i - 1] < 0) != (s[i] < 0);
        }
        return count;
    };
    size_t third = s.size() / 3;
    EXPECT_GT(crossings(2 * third, s.size()), crossings(0, third) * 3 / 2);
}

struct SLoadedPiece {
    SMidiFile file;
    std::vector<SMidiMessage> merged;
    std::vector<SHeardNote> notes;
    int32_t end = 0;
    int32_t loopEnd = 0;
};

SLoadedPiece LoadPiece(const std::string& name) {
    SLoadedPiece piece;
    std::string error;
    bool parsed = ParseMidiFile(ReadWholeFile<std::vector<uint8_t>>(kSoundDir + "/" + name),
                                piece.file, error);
    EXPECT_TRUE(parsed) << name << ": " << error;
    piece.merged = MergeTracks(piece.file);
    piece.notes = PairNotes(piece.merged);
    for (const auto& track : piece.file.tracks) {
        if (!track.empty()) {
            piece.end = std::max(piece.end, track.back().tick);
        }
    }
    piece.loopEnd = piece.end - kMusicLoopEndMargin;
    return piece;
}

class MusicFile : public ::testing::TestWithParam<const char*> {};

TEST_P(MusicFile, IsAWellFormedStandardMidiFileInMusicTimeUnits) {
    SLoadedPiece piece = LoadPiece(GetParam());
    EXPECT_TRUE(piece.file.format == 0 || piece.file.format == 1);
    ASSERT_FALSE(piece.file.tracks.empty());
    if (piece.file.format == 0) {
        EXPECT_EQ(piece.file.tracks.size(), 1u);
    }
    // The loop points are in the player's units only if the file uses them.
    EXPECT_EQ(piece.file.division, kQuarter);
    for (const auto& track : piece.file.tracks) {
        ASSERT_FALSE(track.empty());
        EXPECT_TRUE(track.back().IsEndOfTrack());
        EXPECT_EQ(track.back().tick, piece.end) << "every track runs to the piece's end";
        for (size_t i = 0; i + 1 < track.size(); ++i) {
            EXPECT_FALSE(track[i].IsEndOfTrack()) << "end of track before the last event";
        }
    }
}

TEST_P(MusicFile, LoopIsAWholeNumberOfBarsStartingOnADownbeat) {
    SLoadedPiece piece = LoadPiece(GetParam());
    int32_t loopLength = piece.loopEnd - kMusicLoopStart;
    ASSERT_GT(loopLength, 0);
    EXPECT_EQ(loopLength % (4 * kQuarter), 0);
    bool downbeat = std::any_of(piece.notes.begin(), piece.notes.end(), [](const SHeardNote& n) {
        return n.on >= kMusicLoopStart && n.on < kMusicLoopStart + 16;
    });
    EXPECT_TRUE(downbeat) << "nothing sounds at the start of the loop";
}

TEST_P(MusicFile, NoNoteHangsAcrossTheLoopPoints) {
    SLoadedPiece piece = LoadPiece(GetParam());
    ASSERT_FALSE(piece.notes.empty());
    for (const SHeardNote& n : piece.notes) {
        ASSERT_NE(n.off, -1) << "note " << n.key << " at " << n.on << " is never released";
        EXPECT_GT(n.off, n.on);
        EXPECT_LE(n.off, piece.end);
        if (n.on < kMusicLoopStart) {
            EXPECT_LT(n.off, kMusicLoopStart)
                << "a pick-up note at " << n.on << " runs into the loop";
        } else if (n.on < piece.loopEnd) {
            // Released strictly before the jump, whether or not the player
            // handles events at the loop end before jumping.
            EXPECT_LT(n.off, piece.loopEnd) << "note " << n.key << " at " << n.on;
        }
        EXPECT_NE(n.on, kMusicLoopStart) << "a note struck exactly on the loop start";
        EXPECT_NE(n.on, piece.loopEnd) << "a note struck exactly on the loop end";
    }
}

// Everything except releases, as (tick, track, bytes) for comparison.
std::vector<std::tuple<int32_t, int32_t, uint8_t, uint8_t, std::vector<uint8_t>>> Stretch(
    const SLoadedPiece& piece, int32_t from, int32_t to, int32_t shift) {
    std::vector<std::tuple<int32_t, int32_t, uint8_t, uint8_t, std::vector<uint8_t>>> out;
    for (const SMidiMessage& m : piece.merged) {
        if (m.tick >= from && m.tick < to && !m.IsNoteOff() && !m.IsEndOfTrack()) {
            out.emplace_back(m.tick + shift, m.track, m.status, m.metaType, m.data);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST_P(MusicFile, EndRepeatsTheStartOfTheLoop) {
    SLoadedPiece piece = LoadPiece(GetParam());
    int32_t loopLength = piece.loopEnd - kMusicLoopStart;
    auto tail = Stretch(piece, piece.loopEnd, piece.end, 0);
    auto head = Stretch(piece, kMusicLoopStart, kMusicLoopStart + kMusicLoopEndMargin, loopLength);
    EXPECT_FALSE(head.empty());
    EXPECT_EQ(tail, head);
}

// Programs, controllers and tempo in force: (track, status, number) -> value.
std::map<std::tuple<int32_t, int32_t, int32_t>, std::vector<uint8_t>> StateAfter(
    const std::vector<SMidiMessage>& merged, int32_t from, int32_t to,
    std::map<std::tuple<int32_t, int32_t, int32_t>, std::vector<uint8_t>> state = {}) {
    for (const SMidiMessage& m : merged) {
        if (m.tick < from || m.tick > to) {
            continue;
        }
        if (m.IsChannel() && m.Kind() == 0xc0) {
            state[{m.track, m.status, -1}] = m.data;
        } else if (m.IsChannel() && m.Kind() == 0xb0) {
            state[{m.track, m.status, m.data[0]}] = {m.data[1]};
        } else if (m.IsChannel() && m.Kind() == 0xe0) {
            state[{m.track, m.status, -2}] = m.data;
        } else if (m.status == 0xff && m.metaType == 0x51) {
            state[{m.track, 0xff, 0x51}] = m.data;
        }
    }
    return state;
}

TEST_P(MusicFile, LoopStartRestoresTheSetUp) {
    SLoadedPiece piece = LoadPiece(GetParam());
    auto firstTime = StateAfter(piece.merged, 0, kMusicLoopStart);
    auto beforeJump = StateAfter(piece.merged, 0, piece.loopEnd - 1);
    auto afterJump = StateAfter(piece.merged, kMusicLoopStart, kMusicLoopStart, beforeJump);
    EXPECT_EQ(afterJump, firstTime);
    EXPECT_TRUE(firstTime.count({0, 0xff, 0x51}) || piece.file.format == 0)
        << "no tempo set before the loop";
}

INSTANTIATE_TEST_SUITE_P(BothPieces, MusicFile, ::testing::Values("play.mid", "gameover.mid"));

TEST(PlayMusic, LastsHalfAMinuteWithMelodyBassAndHandDrums) {
    SLoadedPiece piece = LoadPiece("play.mid");
    double seconds = SecondsAt(piece.merged, piece.file.division, piece.end);
    EXPECT_GE(seconds, 30.0);
    std::map<int32_t, std::vector<int32_t>> keysByChannel;
    for (const SHeardNote& n : piece.notes) {
        keysByChannel[n.channel].push_back(n.key);
    }
    bool melody = false;
    bool bass = false;
    for (auto& [channel, keys] : keysByChannel) {
        if (channel == 9) {
            continue;
        }
        std::sort(keys.begin(), keys.end());
        int32_t median = keys[keys.size() / 2];
        melody = melody || (median >= 72 && keys.size() >= 64);
        bass = bass || (median < 48 && keys.size() >= 64);
    }
    EXPECT_TRUE(melody) << "no part plays high enough and often enough to be the tune";
    EXPECT_TRUE(bass) << "no bass part";
    int32_t handDrums = 0;
    for (int32_t key : keysByChannel[9]) {
        handDrums += key >= 60 && key <= 64;  // bongos and congas
    }
    EXPECT_GE(handDrums, 32);
}

TEST(GameOverMusic, IsShortAndSlow) {
    SLoadedPiece piece = LoadPiece("gameover.mid");
    double seconds = SecondsAt(piece.merged, piece.file.division, piece.end);
    EXPECT_GE(seconds, 4.0);
    EXPECT_LE(seconds, 30.0);
    double quarterSeconds =
        SecondsAt(piece.merged, piece.file.division, kMusicLoopStart + kQuarter) -
        SecondsAt(piece.merged, piece.file.division, kMusicLoopStart);
    EXPECT_GE(quarterSeconds, 60.0 / 90.0) << "faster than 90 beats a minute";
}

TEST(SoundFiles, MatchWhatTheGeneratorWrites) {
    namespace fs = std::filesystem;
    fs::path dir =
        fs::temp_directory_path() / ("soundfiles-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    std::string command = std::string("\"") + MAKE_SOUNDS + "\" \"" + dir.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : {"kyu.wav", "play.mid", "gameover.mid"}) {
        EXPECT_EQ(ReadWholeFile<std::vector<uint8_t>>((dir / name).string()),
                  ReadWholeFile<std::vector<uint8_t>>(kSoundDir + "/" + name))
            << name << " differs from the generator's output; run the sounds target";
    }
    fs::remove_all(dir);
}

}  // namespace
