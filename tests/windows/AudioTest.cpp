// The DirectSound effect player and, in the 32-bit form, the DirectMusic
// player on Wine's sound system (with ALSA's null device where there is no
// sound card). The 64-bit form's music player is tested in
// WinMidiMusicTest.cpp.
#include <cstring>

#include "audio/DSSound.h"
#if !defined(GAME_MUSIC_WINMIDI)
#include "audio/DMMusic.h"
#endif
#include "tests/windows/WinCheck.h"
#include "tests/windows/WinTestSupport.h"

namespace {

std::string DataPath(const char* name) {
    return WinTestDataDir() + "/" + name;
}

}  // namespace

WIN_TEST(SoundLoadsEffectsInTheirOwnFormat) {
    CTestWindow window;
    CDSSound sound;
    CHECK(sound.GetDirectSound() == nullptr);
    REQUIRE(sound.Init(window.Handle()));
    CHECK(sound.GetDirectSound() != nullptr);
    sound.SetSlotCount(3);
    CHECK(sound.LoadWave(DataPath("pcm16.wav").c_str(), 0));
    CHECK(sound.LoadWave(DataPath("pcm8.wav").c_str(), 1));
    // No file, or no data chunk: false, the slot stays empty.
    CHECK(!sound.LoadWave(DataPath("missing.wav").c_str(), 2));
    CHECK(sound.Buffer(2) == nullptr);
    CHECK(!sound.LoadWave(DataPath("nodata.wav").c_str(), 2));
    CHECK(sound.Buffer(2) == nullptr);
    REQUIRE(sound.Buffer(0) != nullptr && sound.Buffer(1) != nullptr);

    // The 8-bit mono effect keeps its format; the samples were copied in.
    WAVEFORMATEX format;
    std::memset(&format, 0, sizeof(format));
    CHECK_EQ(sound.Buffer(1)->GetFormat(&format, sizeof(format), nullptr), DS_OK);
    CHECK_EQ(format.nChannels, 1);
    CHECK_EQ(format.nSamplesPerSec, 22050u);
    CHECK_EQ(format.wBitsPerSample, 8);
    const std::string samples = ReadWholeFile(DataPath("pcm8.raw"));
    DSBCAPS caps;
    std::memset(&caps, 0, sizeof(caps));
    caps.dwSize = sizeof(caps);
    CHECK_EQ(sound.Buffer(1)->GetCaps(&caps), DS_OK);
    CHECK_EQ(caps.dwBufferBytes, static_cast<DWORD>(samples.size()));
    void* part1 = nullptr;
    void* part2 = nullptr;
    DWORD size1 = 0;
    DWORD size2 = 0;
    if (sound.Buffer(1)->Lock(0, caps.dwBufferBytes, &part1, &size1, &part2, &size2, 0) == DS_OK) {
        CHECK_EQ(size1, static_cast<DWORD>(samples.size()));
        CHECK(std::memcmp(part1, samples.data(), samples.size()) == 0);
        sound.Buffer(1)->Unlock(part1, size1, part2, size2);
    } else {
        CHECK(false);
    }

    // Play rewinds and plays once; Stop stops.
    CHECK_EQ(sound.Play(0), DS_OK);
    DWORD status = 0;
    CHECK_EQ(sound.Buffer(0)->GetStatus(&status), DS_OK);
    CHECK((status & DSBSTATUS_PLAYING) != 0);
    CHECK((status & DSBSTATUS_LOOPING) == 0);
    CHECK_EQ(sound.Stop(0), DS_OK);
    CHECK_EQ(sound.Play(0), DS_OK);
    CHECK_EQ(sound.SetVolume(0), DS_OK);

    // A negative count keeps the table.
    sound.SetSlotCount(-1);
    CHECK(sound.Buffer(0) != nullptr);
}

#if !defined(GAME_MUSIC_WINMIDI)
WIN_TEST(MusicPlayingFlagAndSlots) {
    CTestWindow window;
    CDSSound sound;
    REQUIRE(sound.Init(window.Handle()));
    {
        CDMMusic music;
        REQUIRE(music.Init(window.Handle(), sound.GetDirectSound()));
        music.SetSlotCount(3);
        CHECK(music.Load(DataPath("play.mid").c_str(), 0));
        CHECK(music.Load(DataPath("gameover.mid").c_str(), 1));
        CHECK(!music.Load(DataPath("missing.mid").c_str(), 2));
        CHECK(music.Segment(2) == nullptr);
        REQUIRE(music.Segment(0) != nullptr && music.Segment(1) != nullptr);
        music.SetLoop(0, 65535, 500);
        music.SetLoop(1, 65535, 500);
        music.SetLoop(2, 65535, 500);
        DWORD repeats = 0;
        CHECK_EQ(music.Segment(0)->GetRepeats(&repeats), S_OK);
        CHECK_EQ(repeats, 65535u);

        // An empty slot plays nothing and leaves the flag clear.
        music.Play(2);
        CHECK(!music.IsPlayingFlagSet());
        music.Play(0);
        CHECK(music.IsPlayingFlagSet());
        // While the flag is set every Play does nothing.
        music.Play(1);
        CHECK(music.IsPlayingFlagSet());
        // Stop on any slot clears it.
        music.Stop(1);
        CHECK(!music.IsPlayingFlagSet());
        music.Play(1);
        CHECK(music.IsPlayingFlagSet());
        music.Stop(1);
        CHECK(!music.IsPlayingFlagSet());
        music.Noop(7);
        // Loaded again, a slot holds the new piece.
        CHECK(music.Load(DataPath("play.mid").c_str(), 1));
        CHECK(music.Segment(1) != nullptr);
        music.SetSlotCount(-1);
        CHECK(music.Segment(0) != nullptr);
    }
    // A player whose set-up never ran is destroyed without touching anything.
    { CDMMusic idle; }
}
#endif
