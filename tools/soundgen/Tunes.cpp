#include "tools/soundgen/Tunes.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "tools/soundgen/Notation.h"

namespace {

// Adds notes to a piece on a grid of sixteenths, with a little
// deterministic variation in loudness so repeated figures do not sound
// mechanical.
class CArranger {
public:
    explicit CArranger(SPiece& piece) : piece(piece) {}

    // bar counts from 0; step is in sixteenths within the bar (it may run
    // past the bar or be negative for a pick-up); length is in ticks.
    void Note(int32_t channel, int32_t bar, int32_t step, int32_t length, int32_t key,
              int32_t velocity, int32_t nudge = 0) {
        int32_t v = velocity + Jitter();
        v = v < 1 ? 1 : (v > 127 ? 127 : v);
        piece.notes.push_back(
            {(bar * 16 + step) * kTicksPerSixteenth + nudge, length, channel, key, v});
    }

    // One bar of a written phrase; every note is shortened by `detach`
    // ticks. accent is added on the beats and taken off the off-beat
    // sixteenths.
    void Phrase(int32_t channel, int32_t bar, const std::string& text, int32_t velocity,
                int32_t accent, int32_t detach, int32_t transpose = 0) {
        std::vector<SPhraseNote> phrase = ParsePhrase(text);
        if (PhraseLength(phrase) != 16) {
            throw std::invalid_argument("a bar that is not four beats long: " + text);
        }
        for (const SPhraseNote& n : phrase) {
            if (n.key < 0) {
                continue;
            }
            int32_t v = velocity;
            if (n.offset % 4 == 0) {
                v += accent;
            } else if (n.offset % 2 == 1) {
                v -= accent / 2;
            }
            Note(channel, bar, n.offset, n.length * kTicksPerSixteenth - detach, n.key + transpose,
                 v);
        }
    }

private:
    int32_t Jitter() {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int32_t>((seed >> 16) % 7) - 3;
    }

    SPiece& piece;
    uint32_t seed = 7;
};

// Diatonic third below a key of C major (keys off the scale drop a minor
// third).
int32_t ThirdBelowInC(int32_t key) {
    static const int32_t kDrop[12] = {3, 3, 3, 3, 4, 3, 3, 3, 3, 4, 3, 4};
    //                                C  C# D  D# E  F  F# G  G# A  A# B
    // C->A, D->B, E->C, F->D, G->E, A->F, B->G
    return key - kDrop[key % 12];
}

enum PlayChannel {
    PLAY_MELODY = 0,
    PLAY_BASS = 1,
    PLAY_STRUM = 2,
    PLAY_MARIMBA = 3,
};

// Bass in a bouncing 3-3-2 figure: root, root, fifth, twice a bar; the
// last bar of a section walks down onto the next section's root.
void PlayBassBar(CArranger& a, int32_t bar, const SChord& chord, bool lastOfSection,
                 const SChord& next) {
    int32_t root = RootAbove(chord, 36);
    int32_t fifth = root + 7;
    a.Note(PLAY_BASS, bar, 0, 3 * kTicksPerSixteenth - 60, root, 104);
    a.Note(PLAY_BASS, bar, 3, 2 * kTicksPerSixteenth - 40, root, 86);
    a.Note(PLAY_BASS, bar, 6, 2 * kTicksPerSixteenth - 40, fifth, 90);
    a.Note(PLAY_BASS, bar, 8, 3 * kTicksPerSixteenth - 60, root + 12, 96);
    if (lastOfSection) {
        int32_t landing = RootAbove(next, 36);
        a.Note(PLAY_BASS, bar, 11, 2 * kTicksPerSixteenth - 40, fifth, 86);
        a.Note(PLAY_BASS, bar, 13, 1 * kTicksPerSixteenth - 20, landing + 4, 84);
        a.Note(PLAY_BASS, bar, 14, 2 * kTicksPerSixteenth - 40, landing + 2, 88);
    } else {
        a.Note(PLAY_BASS, bar, 11, 2 * kTicksPerSixteenth - 40, root + 12, 82);
        a.Note(PLAY_BASS, bar, 14, 2 * kTicksPerSixteenth - 40, fifth, 90);
    }
}

// Off-beat strums, each chord rolled upward over a few ticks.
void PlayStrumBar(CArranger& a, int32_t bar, const SChord& chord) {
    std::vector<int32_t> voicing = VoiceChord(chord, 60);
    for (int32_t step : {2, 6, 10, 14}) {
        int32_t velocity = step == 6 || step == 14 ? 74 : 64;
        for (size_t i = 0; i < voicing.size(); ++i) {
            int32_t roll = static_cast<int32_t>(i) * 10;
            a.Note(PLAY_STRUM, bar, step, 150 - roll, voicing[i], velocity, roll);
        }
    }
}

// Rolling eighths over the chord.
void PlayArpeggioBar(CArranger& a, int32_t bar, const SChord& chord) {
    std::vector<int32_t> tones = VoiceChord(chord, 67);
    tones.push_back(tones[0] + 12);
    static const int32_t kOrder[8] = {0, 1, 2, 3, 2, 1, 3, 2};
    for (int32_t i = 0; i < 8; ++i) {
        int32_t key = tones[kOrder[i] % tones.size()];
        a.Note(PLAY_MARIMBA, bar, i * 2, 2 * kTicksPerSixteenth - 40, key, i % 2 == 0 ? 72 : 60);
    }
}

// Drum keys of the percussion channel.
enum Drum {
    DRUM_KICK = 36,
    DRUM_HIGH_BONGO = 60,
    DRUM_LOW_BONGO = 61,
    DRUM_MUTE_CONGA = 62,
    DRUM_OPEN_CONGA = 63,
    DRUM_LOW_CONGA = 64,
    DRUM_HIGH_TIMBALE = 65,
    DRUM_LOW_TIMBALE = 66,
    DRUM_CABASA = 69,
    DRUM_MARACAS = 70,
    DRUM_CLAVES = 75,
};

void Hit(CArranger& a, int32_t bar, int32_t step, int32_t key, int32_t velocity) {
    a.Note(kDrumChannel, bar, step, 96, key, velocity);
}

void PlayDrumBar(CArranger& a, int32_t bar, bool fill) {
    Hit(a, bar, 0, DRUM_KICK, 96);
    Hit(a, bar, 8, DRUM_KICK, 86);
    if (!fill) {
        Hit(a, bar, 11, DRUM_KICK, 64);
    }
    for (int32_t step = 0; step < 16; step += 2) {
        Hit(a, bar, step, DRUM_MARACAS, step % 4 == 2 ? 72 : 52);
    }
    Hit(a, bar, 7, DRUM_CABASA, 44);
    Hit(a, bar, 15, DRUM_CABASA, 44);
    // Three-two clave across each pair of bars.
    if (bar % 2 == 0) {
        for (int32_t step : {0, 6, 12}) {
            Hit(a, bar, step, DRUM_CLAVES, 78);
        }
    } else {
        for (int32_t step : {4, 8}) {
            Hit(a, bar, step, DRUM_CLAVES, 78);
        }
    }
    // Bongos and congas; the second half gives way to the timbales in a
    // fill.
    Hit(a, bar, 2, DRUM_HIGH_BONGO, 80);
    Hit(a, bar, 3, DRUM_HIGH_BONGO, 54);
    Hit(a, bar, 4, DRUM_MUTE_CONGA, 70);
    Hit(a, bar, 6, DRUM_LOW_BONGO, 76);
    Hit(a, bar, 7, DRUM_OPEN_CONGA, 66);
    if (fill) {
        static const int32_t kFill[8] = {DRUM_HIGH_TIMBALE, DRUM_HIGH_TIMBALE, DRUM_LOW_TIMBALE,
                                         DRUM_HIGH_TIMBALE, DRUM_HIGH_TIMBALE, DRUM_LOW_TIMBALE,
                                         DRUM_LOW_TIMBALE,  DRUM_LOW_TIMBALE};
        for (int32_t i = 0; i < 8; ++i) {
            Hit(a, bar, 8 + i, kFill[i], 64 + i * 5);
        }
    } else {
        Hit(a, bar, 10, DRUM_HIGH_BONGO, 80);
        Hit(a, bar, 11, DRUM_HIGH_BONGO, 54);
        Hit(a, bar, 12, DRUM_MUTE_CONGA, 70);
        Hit(a, bar, 14, DRUM_OPEN_CONGA, 82);
        Hit(a, bar, 15, DRUM_LOW_CONGA, 74);
    }
}

}  // namespace

SPiece MakePlayTune() {
    SPiece piece;
    piece.title = "Island Dance";
    piece.microsPerQuarter = 500000;  // 120 beats a minute
    piece.parts = {
        {"Steel drum", PLAY_MELODY, 114, 124, 70, 50, 20},
        {"Bass", PLAY_BASS, 33, 90, 64, 20, 0},
        {"Guitar", PLAY_STRUM, 24, 80, 44, 40, 30},
        {"Marimba", PLAY_MARIMBA, 12, 110, 84, 40, 10},
        {"Percussion", kDrumChannel, 0, 96, 64, 40, 0},
    };

    const std::vector<std::string> chordsA = {"C", "F", "G7", "C", "C", "F", "G7", "C"};
    const std::vector<std::string> chordsB = {"F", "C", "G7", "C", "Am", "Dm", "G7", "C"};
    const std::vector<std::string> tuneA = {
        "E5:3 G5:3 E5:2 C5:2 D5:2 E5:4",      "F5:3 A5:3 F5:2 C5:4 r:2 A4:2",
        "B4:2 D5:2 G5:3 F5:3 D5:2 B4:2 G4:2", "C5:6 E5:2 G5:4 r:4",
        "G5:3 E5:3 G5:2 A5:2 G5:2 E5:4",      "F5:3 A5:3 C6:2 A5:4 F5:4",
        "D5:2 F5:2 B5:3 A5:3 G5:2 F5:2 D5:2", "E5:2 D5:2 C5:8 r:4",
    };
    const std::vector<std::string> tuneB = {
        "A5:2 A5:2 A5:2 G5:2 F5:4 C5:4",      "G5:2 G5:2 G5:2 F5:2 E5:4 C5:4",
        "D5:3 E5:3 F5:2 G5:3 F5:3 D5:2",      "E5:4 C5:4 r:4 E5:2 F5:2",
        "A5:3 C6:3 A5:2 E5:4 A5:4",           "F5:3 A5:3 F5:2 D5:4 F5:4",
        "G5:2 A5:2 G5:2 F5:2 D5:2 B4:2 G4:4", "C5:4 E5:2 G5:2 C6:4 r:4",
    };
    const std::vector<std::string> chordsC = {"Am", "Em", "F", "G", "Am", "Em", "Dm", "G7"};
    const std::vector<std::string> tuneC = {
        "C6:4 B5:2 A5:2 E5:4 A5:4",      "B5:4 G5:2 E5:2 B4:8",
        "A5:3 G5:3 F5:2 C5:2 F5:2 A5:4", "G5:3 F5:3 D5:2 B4:4 D5:4",
        "C6:4 B5:2 A5:2 E5:2 A5:2 C6:4", "B5:2 A5:2 G5:2 E5:2 G5:4 B5:4",
        "A5:3 F5:3 D5:2 F5:2 A5:2 D6:4", "B5:4 A5:2 G5:2 F5:2 D5:2 B4:2 G4:2",
    };
    std::vector<std::string> tuneA2 = tuneA;
    tuneA2[7] = "E5:2 D5:2 C5:4 G4:2 C5:2 r:4";

    // A, B, a minor-key C, then A again with the marimba a third below the
    // steel drum.
    struct SSection {
        const std::vector<std::string>* chords;
        const std::vector<std::string>* tune;
        int32_t marimba;  // 0 none, 1 arpeggios, 2 harmony
    };
    const SSection sections[] = {{&chordsA, &tuneA, 0},
                                 {&chordsB, &tuneB, 1},
                                 {&chordsC, &tuneC, 1},
                                 {&chordsA, &tuneA2, 2}};
    std::vector<SChord> chords;
    for (const SSection& section : sections) {
        for (const std::string& symbol : *section.chords) {
            chords.push_back(ParseChord(symbol));
        }
    }

    CArranger a(piece);
    int32_t bar = 0;
    for (const SSection& section : sections) {
        for (int32_t i = 0; i < 8; ++i, ++bar) {
            const SChord& chord = chords[bar];
            const SChord& next = chords[(bar + 1) % chords.size()];  // the loop wraps
            const std::string& line = (*section.tune)[i];
            a.Phrase(PLAY_MELODY, bar, line, 100, 10, 30);
            PlayBassBar(a, bar, chord, i == 7, next);
            PlayStrumBar(a, bar, chord);
            if (section.marimba == 1) {
                PlayArpeggioBar(a, bar, chord);
            } else if (section.marimba == 2) {
                for (const SPhraseNote& n : ParsePhrase(line)) {
                    if (n.key >= 0) {
                        a.Note(PLAY_MARIMBA, bar, n.offset, n.length * kTicksPerSixteenth - 40,
                               ThirdBelowInC(n.key), 74);
                    }
                }
            }
            PlayDrumBar(a, bar, i == 7);
        }
    }
    piece.bars = bar;

    // Pick-up into the first bar (only heard when the piece starts).
    Hit(a, 0, -2, DRUM_HIGH_TIMBALE, 70);
    Hit(a, 0, -1, DRUM_LOW_TIMBALE, 80);
    return piece;
}

SPiece MakeGameOverTune() {
    enum Channel {
        SAD_MELODY = 0,
        SAD_PAD = 1,
        SAD_BASS = 2,
        SAD_HARP = 3,
    };
    SPiece piece;
    piece.title = "Sunset";
    piece.microsPerQuarter = 750000;  // 80 beats a minute
    piece.parts = {
        {"Pan flute", SAD_MELODY, 75, 124, 60, 70, 10},
        {"Strings", SAD_PAD, 48, 60, 70, 80, 30},
        {"Bass", SAD_BASS, 32, 90, 64, 40, 0},
        {"Harp", SAD_HARP, 46, 88, 50, 70, 10},
    };
    const std::vector<std::string> chords = {"Am", "Dm", "E7", "Am"};
    const std::vector<std::string> tune = {
        "E5:6 D5:2 C5:4 B4:4",
        "A4:6 C5:2 F5:4 E5:4",
        "D5:4 B4:4 G#4:4 B4:4",
        "A4:12 r:4",
    };
    CArranger a(piece);
    for (int32_t bar = 0; bar < 4; ++bar) {
        SChord chord = ParseChord(chords[bar]);
        a.Phrase(SAD_MELODY, bar, tune[bar], 96, 8, 20);
        for (int32_t key : VoiceChord(chord, 57)) {
            a.Note(SAD_PAD, bar, 0, kTicksPerBar - 60, key, 56);
        }
        int32_t root = RootAbove(chord, 33);
        a.Note(SAD_BASS, bar, 0, 8 * kTicksPerSixteenth - 80, root, 74);
        a.Note(SAD_BASS, bar, 8, 8 * kTicksPerSixteenth - 80, root + 7, 64);
        std::vector<int32_t> tones = VoiceChord(chord, 60);
        static const int32_t kOrder[8] = {0, 1, 2, 1, 0, 1, 2, 1};
        for (int32_t i = 0; i < 8; ++i) {
            int32_t key = tones[kOrder[i] % tones.size()];
            if (i == 6 && tones.size() > 3) {
                key = tones[3];
            }
            a.Note(SAD_HARP, bar, i * 2, 360, key, i == 0 ? 56 : 44);
        }
    }
    piece.bars = 4;
    return piece;
}
