#include "tools/soundgen/Notation.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace {

int32_t PitchClass(char letter) {
    switch (letter) {
        case 'C':
            return 0;
        case 'D':
            return 2;
        case 'E':
            return 4;
        case 'F':
            return 5;
        case 'G':
            return 7;
        case 'A':
            return 9;
        case 'B':
            return 11;
        default:
            throw std::invalid_argument(std::string("not a note letter: ") + letter);
    }
}

// Reads a letter and an optional accidental from text at pos.
int32_t ParsePitchClass(const std::string& text, size_t& pos) {
    if (pos >= text.size()) {
        throw std::invalid_argument("missing note letter");
    }
    int32_t pc = PitchClass(text[pos++]);
    if (pos < text.size() && text[pos] == '#') {
        ++pc;
        ++pos;
    } else if (pos < text.size() && text[pos] == 'b') {
        --pc;
        ++pos;
    }
    return (pc + 12) % 12;
}

}  // namespace

int32_t ParseKey(const std::string& name) {
    size_t pos = 0;
    int32_t pc = ParsePitchClass(name, pos);
    // Unlike the pitch class, the octave follows the written letter: Cb4
    // is B3 and B#3 is C4.
    int32_t letterPc = PitchClass(name[0]);
    int32_t shift = pc - letterPc;
    if (shift > 1) {
        shift -= 12;
    } else if (shift < -1) {
        shift += 12;
    }
    if (pos >= name.size()) {
        throw std::invalid_argument("missing octave: " + name);
    }
    int32_t octave = std::stoi(name.substr(pos));
    int32_t key = (octave + 1) * 12 + letterPc + shift;
    if (key < 0 || key > 127) {
        throw std::invalid_argument("key out of range: " + name);
    }
    return key;
}

std::vector<SPhraseNote> ParsePhrase(const std::string& text) {
    std::vector<SPhraseNote> phrase;
    std::istringstream in(text);
    std::string token;
    int32_t offset = 0;
    while (in >> token) {
        size_t colon = token.find(':');
        if (colon == std::string::npos) {
            throw std::invalid_argument("a note without a length: " + token);
        }
        std::string pitch = token.substr(0, colon);
        int32_t length = std::stoi(token.substr(colon + 1));
        if (length <= 0) {
            throw std::invalid_argument("a note without a length: " + token);
        }
        int32_t key = pitch == "r" ? -1 : ParseKey(pitch);
        phrase.push_back({offset, length, key});
        offset += length;
    }
    return phrase;
}

int32_t PhraseLength(const std::vector<SPhraseNote>& phrase) {
    int32_t total = 0;
    for (const SPhraseNote& note : phrase) {
        total += note.length;
    }
    return total;
}

SChord ParseChord(const std::string& symbol) {
    size_t pos = 0;
    SChord chord;
    chord.root = ParsePitchClass(symbol, pos);
    std::string quality = symbol.substr(pos);
    if (quality.empty()) {
        chord.intervals = {0, 4, 7};
    } else if (quality == "m") {
        chord.intervals = {0, 3, 7};
    } else if (quality == "7") {
        chord.intervals = {0, 4, 7, 10};
    } else if (quality == "m7") {
        chord.intervals = {0, 3, 7, 10};
    } else if (quality == "maj7") {
        chord.intervals = {0, 4, 7, 11};
    } else {
        throw std::invalid_argument("unknown chord: " + symbol);
    }
    return chord;
}

std::vector<int32_t> VoiceChord(const SChord& chord, int32_t floorKey) {
    std::vector<int32_t> keys;
    for (int32_t interval : chord.intervals) {
        int32_t pc = (chord.root + interval) % 12;
        int32_t key = floorKey + ((pc - floorKey % 12) + 12) % 12;
        keys.push_back(key);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

int32_t RootAbove(const SChord& chord, int32_t floorKey) {
    return floorKey + ((chord.root - floorKey % 12) + 12) % 12;
}
