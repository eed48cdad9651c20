// A small writer of standard MIDI files (format 1, one chunk per track).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One timed event of a track. Events that share a tick are written in the
// order of their rank: meta events, program changes, controllers, note
// offs, note ons; so a piece that restates its set-up at a tick has it in
// force before any note there, and a key ended and struck at one tick is
// struck again rather than cut.
struct SMidiEvent {
    int32_t tick;
    int32_t rank;
    std::vector<uint8_t> bytes;
};

enum EventRank {
    RANK_META = 0,
    RANK_PROGRAM = 1,
    RANK_CONTROLLER = 2,
    RANK_NOTE_OFF = 3,
    RANK_NOTE_ON = 4,
};

class CMidiTrack {
public:
    void AddName(int32_t tick, const std::string& name);
    void AddTempo(int32_t tick, int32_t microsPerQuarter);
    void AddProgram(int32_t tick, int32_t channel, int32_t program);
    void AddController(int32_t tick, int32_t channel, int32_t controller, int32_t value);
    void AddNoteOn(int32_t tick, int32_t channel, int32_t key, int32_t velocity);
    void AddNoteOff(int32_t tick, int32_t channel, int32_t key);
    void Add(const SMidiEvent& event);

    // The chunk body: every event in tick and rank order, then the
    // end-of-track event at endTick (which must not precede any event).
    std::vector<uint8_t> Encode(int32_t endTick) const;

    const std::vector<SMidiEvent>& Events() const { return events; }

private:
    std::vector<SMidiEvent> events;
};

// The whole file: header chunk (format 1) and the tracks, all ending at
// endTick.
std::vector<uint8_t> EncodeMidiFile(const std::vector<CMidiTrack>& tracks, int32_t division,
                                    int32_t endTick);

// Writes bytes to path; false when the file cannot be written.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
