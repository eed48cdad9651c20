// Small independent readers of standard MIDI files and WAV files, so the
// tests check the game's sound files without the generator's own code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"

struct SMidiMessage {
    int32_t tick = 0;
    int32_t track = 0;
    uint8_t status = 0;  // 0xff for meta events, 0xf0/0xf7 for system exclusive
    uint8_t metaType = 0;
    std::vector<uint8_t> data;  // data bytes of a channel message, or the meta/sysex payload

    bool IsChannel() const { return status >= 0x80 && status < 0xf0; }
    int32_t Channel() const { return status & 0x0f; }
    int32_t Kind() const { return status & 0xf0; }
    bool IsNoteOn() const { return IsChannel() && Kind() == 0x90 && data[1] > 0; }
    bool IsNoteOff() const {
        return IsChannel() && (Kind() == 0x80 || (Kind() == 0x90 && data[1] == 0));
    }
    bool IsEndOfTrack() const { return status == 0xff && metaType == 0x2f; }
};

struct SMidiFile {
    int32_t format = -1;
    int32_t division = 0;
    std::vector<std::vector<SMidiMessage>> tracks;
};

// Parses the file; on a malformed file returns false with a reason.
bool ParseMidiFile(const std::vector<uint8_t>& bytes, SMidiFile& out, std::string& error);

// Every message of every track, sorted by tick (stable: track order, then
// file order).
std::vector<SMidiMessage> MergeTracks(const SMidiFile& file);

struct SHeardNote {
    int32_t on;
    int32_t off;  // -1 when the note is never released
    int32_t channel;
    int32_t key;
    int32_t velocity;
};

// Pairs each note on with the next release of its channel and key.
std::vector<SHeardNote> PairNotes(const std::vector<SMidiMessage>& merged);

// Seconds from the start to `tick` through the file's tempo changes.
double SecondsAt(const std::vector<SMidiMessage>& merged, int32_t division, int32_t tick);

struct SWaveFile {
    int32_t formatTag = 0;
    int32_t channels = 0;
    int32_t rate = 0;
    int32_t bytesPerSecond = 0;
    int32_t blockAlign = 0;
    int32_t bits = 0;
    uint32_t riffSize = 0;
    std::vector<int16_t> samples;  // interleaved, for 16-bit data
};

bool ParseWaveFile(const std::vector<uint8_t>& bytes, SWaveFile& out, std::string& error);
