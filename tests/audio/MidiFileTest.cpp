#include <gtest/gtest.h>

#include <random>

#include "AudioTestSupport.h"
#include "audio/MidiFile.h"

namespace {

std::string Be16(uint16_t value) {
    return std::string{static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
}

std::string Be32(uint32_t value) {
    return Be16(value >> 16) + Be16(value & 0xFFFF);
}

std::string Header(uint16_t format, uint16_t tracks, uint16_t division) {
    return "MThd" + Be32(6) + Be16(format) + Be16(tracks) + Be16(division);
}

std::string Track(const std::string& events) {
    return "MTrk" + Be32(static_cast<uint32_t>(events.size())) + events;
}

const std::string kEnd = std::string("\x00\xFF\x2F\x00", 4);

bool Parse(const std::string& bytes, MidiPiece* piece) {
    return ParseMidiFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), piece);
}

std::vector<int32_t> NoteOnTimes(const MidiPiece& piece) {
    std::vector<int32_t> times;
    for (const MidiEvent& event : piece.events) {
        if ((event.status & 0xF0) == 0x90 && event.data2 > 0) {
            times.push_back(event.time);
        }
    }
    return times;
}

TEST(MidiFileTest, AbcToMidiPieceLoadsInMusicTime) {
    CScratchDir dir;
    WriteFile(dir.Path("tune.abc"), "X:1\nT:test\nM:4/4\nL:1/4\nQ:1/4=120\nK:C\nCDEF|\n");
    ASSERT_TRUE(RunCommand("abc2midi " + dir.Path("tune.abc") + " -o " + dir.Path("tune.mid")));
    MidiPiece piece;
    ASSERT_TRUE(LoadMidiFile(dir.Path("tune.mid").c_str(), &piece));
    std::vector<int32_t> times = NoteOnTimes(piece);
    ASSERT_EQ(times.size(), 4u);
    for (size_t i = 1; i < times.size(); ++i) {
        EXPECT_EQ(times[i] - times[i - 1], kMusicTimePerQuarter);
    }
    EXPECT_GE(piece.length, times.back() + kMusicTimePerQuarter / 2);
    EXPECT_EQ(TempoBefore(piece, piece.length), 500000u);
}

TEST(MidiFileTest, DivisionsRunningStatusAndTempo) {
    // 96 ticks a quarter: tempo 600000, a note with running status and a
    // note-on of velocity 0 as its end, a second track ending later.
    std::string first = std::string("\x00\xFF\x51\x03\x09\x27\xC0", 7) +
                        std::string("\x00\xC0\x05\x60\x90\x3C\x64\x30\x3C\x00", 10) + kEnd;
    std::string second =
        std::string("\x81\x40\xB1\x07\x50", 5) + std::string("\x81\x40\xFF\x2F\x00", 5);
    MidiPiece piece;
    ASSERT_TRUE(Parse(Header(1, 2, 96) + Track(first) + Track(second), &piece));
    EXPECT_EQ(NoteOnTimes(piece), std::vector<int32_t>{768});
    EXPECT_EQ(piece.length, 2 * 192 * 8);  // the second track ends at tick 384
    EXPECT_EQ(TempoBefore(piece, 1), 600000u);
    EXPECT_EQ(TempoBefore(piece, 0), 500000u);
    // Events are in time order across tracks.
    for (size_t i = 1; i < piece.events.size(); ++i) {
        EXPECT_LE(piece.events[i - 1].time, piece.events[i].time);
    }

    // Time code: 25 frames of 40 ticks, a millisecond a tick; half a second
    // at the default tempo is one quarter.
    std::string timed = std::string("\x83\x74\x90\x40\x40", 5) + kEnd;
    ASSERT_TRUE(Parse(Header(0, 1, 0xE728) + Track(timed), &piece));
    EXPECT_EQ(NoteOnTimes(piece), std::vector<int32_t>{768});
}

TEST(MidiFileTest, RefusesWhatItCannotPlay) {
    std::string track = Track(std::string("\x00\x90\x40\x40", 4) + kEnd);
    MidiPiece piece;
    EXPECT_FALSE(Parse(Header(2, 1, 96) + track, &piece));
    EXPECT_FALSE(Parse(Header(0, 1, 0) + track, &piece));
    EXPECT_FALSE(Parse("MThx" + Header(0, 1, 96).substr(4) + track, &piece));
    EXPECT_FALSE(Parse(Header(0, 1, 96), &piece));
    EXPECT_FALSE(Parse("", &piece));
    // Too long to count in music time.
    std::string far = std::string("\x8F\xFF\xFF\x7F\x90\x40\x40", 7);
    std::string endless;
    for (int i = 0; i < 16; ++i) {
        endless += far;
    }
    EXPECT_FALSE(Parse(Header(0, 1, 1) + Track(endless + kEnd), &piece));
    CScratchDir dir;
    EXPECT_FALSE(LoadMidiFile(dir.Path("missing.mid").c_str(), &piece));
}

TEST(MidiFileTest, BrokenTracksKeepWhatCameBefore) {
    const std::string note = std::string("\x00\x90\x40\x40", 4);
    MidiPiece piece;
    // The chunk claims more bytes than the file has.
    std::string cut = Header(0, 1, 96) + "MTrk" + Be32(1000) + note + "\x10\x80";
    ASSERT_TRUE(Parse(cut, &piece));
    EXPECT_EQ(NoteOnTimes(piece).size(), 1u);
    // Running status with nothing to run on ends the track.
    ASSERT_TRUE(Parse(Header(0, 1, 96) + Track(std::string("\x00\x40\x40", 3) + note), &piece));
    EXPECT_TRUE(piece.events.empty());
    // A delta time longer than four bytes ends the track.
    ASSERT_TRUE(Parse(Header(0, 1, 96) + Track(note + "\xFF\xFF\xFF\xFF\x7F"), &piece));
    EXPECT_EQ(piece.events.size(), 1u);
}

TEST(MidiFileTest, MangledFilesNeverCrash) {
    std::string good = Header(1, 2, 480) +
                       Track(std::string("\x00\xFF\x51\x03\x07\xA1\x20\x00\xB0\x07\x64", 11) +
                             std::string("\x00\xC0\x10\x00\x90\x3C\x64\x83\x60\x80\x3C\x00", 12) +
                             std::string("\x00\xF0\x03\x7E\x7F\xF7\x00\xE0\x00\x40", 10) + kEnd) +
                       Track(std::string("\x00\x99\x24\x64\x60\x24\x00", 7) + kEnd);
    std::mt19937 random(7);
    MidiPiece piece;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = good;
        int changes = 1 + round % 8;
        for (int i = 0; i < changes; ++i) {
            bytes[random() % bytes.size()] = static_cast<char>(random() & 0xFF);
        }
        if (round % 5 == 0) {
            bytes.resize(random() % bytes.size());
        }
        if (Parse(bytes, &piece)) {
            for (const MidiEvent& event : piece.events) {
                ASSERT_GE(event.time, 0);
                ASSERT_LE(event.time, piece.length);
            }
            ChannelStateBefore(piece, piece.length / 2);
        }
    }
}

TEST(MidiFileTest, ChannelStateBeforeATime) {
    // Channel 0: program 5 and volume 80 at 0, pan 20 and bend at tick 96.
    std::string events = std::string("\x00\xC0\x05\x00\xB0\x07\x50", 7) +
                         std::string("\x60\xB0\x0A\x14\x00\xE0\x00\x50\x00\x90\x40\x40", 12) +
                         std::string("\x00\xB0\x06\x02", 4) + kEnd;
    MidiPiece piece;
    ASSERT_TRUE(Parse(Header(0, 1, 96) + Track(events), &piece));
    auto find = [](const std::vector<MidiEvent>& state, uint8_t status, int data1) {
        for (const MidiEvent& event : state) {
            if (event.status == status && (data1 < 0 || event.data1 == data1)) {
                return static_cast<int>(event.status == 0xC0 ? event.data1 : event.data2);
            }
        }
        return -1;
    };
    std::vector<MidiEvent> early = ChannelStateBefore(piece, 500);
    EXPECT_EQ(find(early, 0xC0, -1), 5);
    EXPECT_EQ(find(early, 0xB0, 7), 80);
    EXPECT_EQ(find(early, 0xB0, 10), 64);  // not set yet: the power-on pan
    EXPECT_EQ(find(early, 0xB0, 6), -1);   // data entry is never replayed
    std::vector<MidiEvent> late = ChannelStateBefore(piece, 769);
    EXPECT_EQ(find(late, 0xB0, 10), 20);
    // Only channels the piece uses; no notes.
    for (const MidiEvent& event : late) {
        EXPECT_EQ(event.status & 0x0F, 0);
        EXPECT_NE(event.status & 0xF0, 0x90);
    }
    std::vector<MidiEvent> start = ChannelStateBefore(piece, 0);
    EXPECT_EQ(find(start, 0xC0, -1), 0);
    EXPECT_EQ(find(start, 0xB0, 7), 100);
}

}  // namespace
