#include "tools/soundgen/MidiFile.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

void PutVariableLength(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & 0x7f);
        value >>= 7;
    } while (value != 0);
    while (count > 1) {
        out.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
    }
    out.push_back(groups[0]);
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>((value >> shift) & 0xff));
    }
}

uint8_t DataByte(int32_t value) {
    if (value < 0 || value > 127) {
        throw std::out_of_range("MIDI data byte out of range");
    }
    return static_cast<uint8_t>(value);
}

uint8_t Status(int32_t kind, int32_t channel) {
    if (channel < 0 || channel > 15) {
        throw std::out_of_range("MIDI channel out of range");
    }
    return static_cast<uint8_t>(kind | channel);
}

}  // namespace

void CMidiTrack::Add(const SMidiEvent& event) {
    if (event.tick < 0) {
        throw std::out_of_range("event before the start of the piece");
    }
    events.push_back(event);
}

void CMidiTrack::AddName(int32_t tick, const std::string& name) {
    SMidiEvent event{tick, RANK_META, {0xff, 0x03}};
    PutVariableLength(event.bytes, static_cast<uint32_t>(name.size()));
    event.bytes.insert(event.bytes.end(), name.begin(), name.end());
    Add(event);
}

void CMidiTrack::AddTempo(int32_t tick, int32_t microsPerQuarter) {
    SMidiEvent event{tick, RANK_META, {0xff, 0x51, 0x03}};
    PutBigEndian(event.bytes, static_cast<uint32_t>(microsPerQuarter), 3);
    Add(event);
}

void CMidiTrack::AddProgram(int32_t tick, int32_t channel, int32_t program) {
    Add({tick, RANK_PROGRAM, {Status(0xc0, channel), DataByte(program)}});
}

void CMidiTrack::AddController(int32_t tick, int32_t channel, int32_t controller, int32_t value) {
    Add({tick, RANK_CONTROLLER, {Status(0xb0, channel), DataByte(controller), DataByte(value)}});
}

void CMidiTrack::AddNoteOn(int32_t tick, int32_t channel, int32_t key, int32_t velocity) {
    if (velocity < 1) {
        throw std::out_of_range("a note on needs a velocity of at least 1");
    }
    Add({tick, RANK_NOTE_ON, {Status(0x90, channel), DataByte(key), DataByte(velocity)}});
}

void CMidiTrack::AddNoteOff(int32_t tick, int32_t channel, int32_t key) {
    Add({tick, RANK_NOTE_OFF, {Status(0x80, channel), DataByte(key), 64}});
}

std::vector<uint8_t> CMidiTrack::Encode(int32_t endTick) const {
    std::vector<SMidiEvent> sorted = events;
    std::stable_sort(sorted.begin(), sorted.end(), [](const SMidiEvent& a, const SMidiEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.rank < b.rank;
    });
    if (!sorted.empty() && sorted.back().tick > endTick) {
        throw std::out_of_range("event after the end of the piece");
    }
    std::vector<uint8_t> body;
    int32_t now = 0;
    for (const SMidiEvent& event : sorted) {
        PutVariableLength(body, static_cast<uint32_t>(event.tick - now));
        body.insert(body.end(), event.bytes.begin(), event.bytes.end());
        now = event.tick;
    }
    PutVariableLength(body, static_cast<uint32_t>(endTick - now));
    body.insert(body.end(), {0xff, 0x2f, 0x00});
    return body;
}

std::vector<uint8_t> EncodeMidiFile(const std::vector<CMidiTrack>& tracks, int32_t division,
                                    int32_t endTick) {
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd'};
    PutBigEndian(out, 6, 4);
    PutBigEndian(out, 1, 2);
    PutBigEndian(out, static_cast<uint32_t>(tracks.size()), 2);
    PutBigEndian(out, static_cast<uint32_t>(division), 2);
    for (const CMidiTrack& track : tracks) {
        std::vector<uint8_t> body = track.Encode(endTick);
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        PutBigEndian(out, static_cast<uint32_t>(body.size()), 4);
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    return ok;
}
