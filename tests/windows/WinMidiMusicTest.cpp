// The 64-bit form's music player, on the system's MIDI output: under Wine,
// which has no MIDI output here, it plays in silence; with a stand-in output
// its messages are checked on the sequencer's own clock.
#if defined(GAME_MUSIC_WINMIDI)

#include <cstdio>
#include <initializer_list>
#include <vector>

#include "audio/WinMidiMusic.h"
#include "tests/windows/WinCheck.h"
#include "tests/windows/WinTestSupport.h"

namespace {

std::string DataPath(const char* name) {
    return WinTestDataDir() + "/" + name;
}

// One organ chord held from the first to the last unit of four quarter
// notes (3072 units; format 0, 480 ticks a quarter, the default tempo of 120
// quarters a minute, so 651.04 microseconds a unit).
std::string HeldChordFile() {
    const std::string track = std::string("\x00\xC0\x13\x00\x90\x3C\x60\x00\x90\x43\x60", 11) +
                              std::string("\x8F\x00\x80\x3C\x00\x00\x80\x43\x00", 9) +
                              std::string("\x00\xFF\x2F\x00", 4);
    return std::string("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xE0", 14) + "MTrk" +
           std::string("\x00\x00\x00", 3) + static_cast<char>(track.size()) + track;
}

class CFakeMidiOut : public CMidiOut {
public:
    void Send(uint32_t message) override { sent.push_back(message); }

    // What came since the last call, as "status data1 data2" in hex.
    std::string Take() {
        std::string text;
        for (uint32_t message : sent) {
            char one[16];
            std::snprintf(one, sizeof one, "%s%02X %02X %02X", text.empty() ? "" : ", ",
                          message & 0xFF, message >> 8 & 0xFF, message >> 16 & 0xFF);
            text += one;
        }
        sent.clear();
        return text;
    }

private:
    std::vector<uint32_t> sent;
};

}  // namespace

WIN_TEST(MidiMusicLoopsAndReleasesNotesOnItsClock) {
    REQUIRE(WriteWholeFile(DataPath("chord.mid"), HeldChordFile()));
    CFakeMidiOut out;
    CWinMidiMusic music(&out);
    REQUIRE(music.Init(nullptr, nullptr));
    music.SetSlotCount(2);
    REQUIRE(music.Load(DataPath("chord.mid").c_str(), 0));
    REQUIRE(music.Load(DataPath("chord.mid").c_str(), 1));
    music.SetLoop(0, 2, 500);
    music.Play(0);
    // The channel's state at the start, then the organ and its chord.
    CHECK_EQ(out.Take(), "C0 00 00, C0 13 00, 90 3C 60, 90 43 60");
    music.Play(0);
    CHECK_EQ(out.Take(), "");

    // The loop end, 2822 units in, falls at 1837239.6 microseconds. At the
    // jump the pedals are lifted and the held chord is released, then the
    // state at the loop start is sent.
    music.Advance(1837239);
    CHECK_EQ(out.Take(), "");
    music.Advance(1);
    CHECK_EQ(out.Take(), "B0 40 00, B0 42 00, 80 3C 00, 80 43 00, B0 7B 00, C0 13 00");
    // The second jump, a pass of 2322 units later (3348958.3 us); no note
    // sounds any more.
    music.Advance(3348958 - 1837240);
    CHECK_EQ(out.Take(), "");
    music.Advance(1);
    CHECK_EQ(out.Take(), "B0 40 00, B0 42 00, B0 7B 00, C0 13 00");
    // After its two repeats the piece plays to its end (5023437.5 us): its
    // own note-offs, then the notes and controllers are reset. The playing
    // flag stays set.
    music.Advance(5023437 - 3348959);
    CHECK_EQ(out.Take(), "");
    music.Advance(1);
    CHECK_EQ(out.Take(), "80 3C 00, 80 43 00, B0 40 00, B0 42 00, B0 7B 00, B0 79 00");
    CHECK_EQ(music.SequencedSlot(), -1);
    CHECK(music.IsPlayingFlagSet());

    // Stop clears the flag even with nothing sounding; the next piece
    // replaces one that still sounds, whose notes are released first.
    CHECK_EQ(music.Stop(0), 0);
    CHECK_EQ(out.Take(), "");
    music.Play(0);
    music.Advance(1000);
    out.Take();
    CHECK_EQ(music.Stop(1), 0);
    CHECK_EQ(music.SequencedSlot(), 0);
    music.Play(1);
    CHECK_EQ(out.Take(),
             "B0 40 00, B0 42 00, 80 3C 00, 80 43 00, B0 7B 00, B0 79 00, "
             "C0 00 00, C0 13 00, 90 3C 60, 90 43 60");
    CHECK_EQ(music.Stop(1), 0);
    CHECK_EQ(out.Take(), "B0 40 00, B0 42 00, 80 3C 00, 80 43 00, B0 7B 00, B0 79 00");
    CHECK(!music.IsPlayingFlagSet());
}

WIN_TEST(MidiMusicPlaysOnWithOrWithoutAnOutput) {
    REQUIRE(WriteWholeFile(DataPath("garbage.mid"), "MThd, and then no MIDI at all"));
    CWinMidiMusic music;
    REQUIRE(music.Init(nullptr, nullptr));
    std::printf("  %s\n", music.HasOutput() ? "with a MIDI output" : "no MIDI output: silent");
    music.SetSlotCount(3);
    CHECK(music.Load(DataPath("play.mid").c_str(), 0));
    CHECK(music.Load(DataPath("gameover.mid").c_str(), 1));
    CHECK(!music.Load(DataPath("missing.mid").c_str(), 2));
    CHECK(!music.Load(DataPath("garbage.mid").c_str(), 2));
    music.SetLoop(0, 65535, 500);
    music.SetLoop(1, 65535, 500);
    // An empty slot plays nothing; while the flag is set Play does nothing.
    music.Play(2);
    CHECK(!music.IsPlayingFlagSet());
    music.Play(0);
    CHECK(music.IsPlayingFlagSet());
    music.Play(1);
    CHECK_EQ(music.SequencedSlot(), 0);
    // Stop on any slot clears the flag.
    CHECK_EQ(music.Stop(1), 0);
    CHECK(!music.IsPlayingFlagSet());
    music.Play(1);
    CHECK_EQ(music.SequencedSlot(), 1);
    CHECK_EQ(music.Stop(1), 0);
    CHECK_EQ(music.SequencedSlot(), -1);
    // The player is destroyed with a piece playing: its thread ends.
    music.Play(0);
}

#endif
