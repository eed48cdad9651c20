// A compact text notation for writing the tunes by hand.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// "C4" is key 60; sharps and flats as in "F#4", "Bb3".
int32_t ParseKey(const std::string& name);

// One note of a phrase, in sixteenths from the phrase's start; key -1 is a
// rest.
struct SPhraseNote {
    int32_t offset;
    int32_t length;
    int32_t key;
};

// "E5:3 G5:3 r:2" - notes and rests with their lengths in sixteenths, one
// after another.
std::vector<SPhraseNote> ParsePhrase(const std::string& text);

// Sum of the lengths of a phrase, in sixteenths.
int32_t PhraseLength(const std::vector<SPhraseNote>& phrase);

// A chord symbol: root and the intervals above it.
struct SChord {
    int32_t root;  // pitch class, 0 = C
    std::vector<int32_t> intervals;
};

// "C", "Am", "G7", "Dm7", "E7", "Bb".
SChord ParseChord(const std::string& symbol);

// The chord tone nearest above or at `floorKey` for each of the chord's
// pitch classes, lowest first: a close voicing starting at floorKey.
std::vector<int32_t> VoiceChord(const SChord& chord, int32_t floorKey);

// The lowest key of the chord's root at or above floorKey.
int32_t RootAbove(const SChord& chord, int32_t floorKey);
