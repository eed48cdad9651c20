// Standard MIDI files (format 0 and 1, any division) read into one event list
// in music time: 768 units per quarter note, whatever the file's division.
//
// The parser trusts nothing in the file: every length is checked against the
// bytes that are really there, and a track that breaks off ends where it
// breaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The longest file read: far beyond any piece the game plays.
constexpr size_t kMaxMidiFileBytes = 16 * 1024 * 1024;

// Music time units per quarter note.
constexpr int32_t kMusicTimePerQuarter = 768;
// The tempo of a piece that sets none: 120 quarter notes a minute.
constexpr uint32_t kDefaultTempo = 500000;

// One event of a piece. Channel messages keep their status byte (0x80 to
// 0xEF) and data bytes; a tempo change has status 0xFF and its
// microseconds per quarter note in `tempo`.
struct MidiEvent {
    int32_t time = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    uint32_t tempo = 0;
};

constexpr uint8_t kMidiTempoStatus = 0xFF;

struct MidiPiece {
    // Sorted by time; events at the same time keep their order in the file
    // (tracks in file order).
    std::vector<MidiEvent> events;
    // The end of the longest track in music time.
    int32_t length = 0;
};

// Parses a whole file held in memory; false if it is not a format 0 or 1
// standard MIDI file or is too long to play.
bool ParseMidiFile(const uint8_t* data, size_t size, MidiPiece* piece);
// Reads and parses a file (a regular file, or a link to one); false if it
// cannot be read or parsed.
bool LoadMidiFile(const char* path, MidiPiece* piece);

// The tempo in force at `time`, set by tempo events before it.
uint32_t TempoBefore(const MidiPiece& piece, int32_t time);
// The channel messages that bring every channel the piece uses into the
// state it has just before `time`: bank select and program, the
// controllers, pitch bend and channel pressure. Controllers the piece uses
// but has not set by then get their power-on values. Notes are not included.
std::vector<MidiEvent> ChannelStateBefore(const MidiPiece& piece, int32_t time);
