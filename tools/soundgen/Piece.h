// A looping piece of music and its layout as a standard MIDI file.
//
// The music player loops every piece from music time kLoopStart to
// kLoopTail units before the piece's end, at 768 units per quarter note.
// A piece is therefore laid out as
//   [0, kLoopStart)                    set-up and a short pick-up,
//   [kLoopStart, kLoopStart + loop)    the body, a whole number of bars,
//   [kLoopStart + loop, end)           a copy of the body's first kLoopTail
//                                      units, so end - kLoopTail is exactly
//                                      where the body starts over.
// Bar 1 of the body begins at kLoopStart. Every note sounds one tick after
// its place on the grid, so only the set-up (tempo, programs, controllers,
// all restated at kLoopStart) lies on the loop points themselves, and every
// body note ends before the loop end: nothing hangs across the jump.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devices/GameNumbers.h"
#include "tools/soundgen/MidiFile.h"

constexpr int32_t kTicksPerQuarter = 768;
constexpr int32_t kTicksPerSixteenth = kTicksPerQuarter / 4;
constexpr int32_t kTicksPerBar = 4 * kTicksPerQuarter;
constexpr int32_t kLoopStart = kMusicLoopStart;
constexpr int32_t kLoopTail = kMusicLoopEndMargin;
constexpr int32_t kNoteDelay = 1;
// Notes end at least this many ticks before the loop end (and the lead-in
// before the loop start).
constexpr int32_t kSeamGap = 2;
constexpr int32_t kDrumChannel = 9;

// One instrument part on its own channel and track.
struct SPart {
    std::string name;
    int32_t channel;
    int32_t program;
    int32_t volume;
    int32_t pan;
    int32_t reverb;
    int32_t chorus;
};

// start is in ticks from the downbeat of bar 1 (the loop start); a negative
// start belongs to the pick-up before the loop.
struct SNote {
    int32_t start;
    int32_t length;
    int32_t channel;
    int32_t key;
    int32_t velocity;
};

struct SPiece {
    std::string title;
    int32_t microsPerQuarter;
    int32_t bars;
    std::vector<SPart> parts;
    std::vector<SNote> notes;
};

struct SLaidOutPiece {
    std::vector<CMidiTrack> tracks;
    int32_t loopEnd;
    int32_t endTick;
};

// Places the piece on the file's time line as described above. Throws
// std::invalid_argument for a note outside the pick-up or the body, or on a
// channel without a part.
SLaidOutPiece LayOutPiece(const SPiece& piece);

// The standard MIDI file bytes of the laid-out piece (division 768).
std::vector<uint8_t> EncodePiece(const SPiece& piece);
