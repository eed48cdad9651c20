#include "SoundFileReaders.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

namespace {

uint32_t BigEndian(const std::vector<uint8_t>& b, size_t pos, int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i) {
        v = (v << 8) | b[pos + i];
    }
    return v;
}

uint32_t LittleEndian(const std::vector<uint8_t>& b, size_t pos, int count) {
    uint32_t v = 0;
    for (int i = count - 1; i >= 0; --i) {
        v = (v << 8) | b[pos + i];
    }
    return v;
}

bool ReadVariable(const std::vector<uint8_t>& b, size_t& pos, size_t end, uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= end) {
            return false;
        }
        uint8_t byte = b[pos++];
        value = (value << 7) | (byte & 0x7f);
        if ((byte & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

bool ParseTrack(const std::vector<uint8_t>& b, size_t pos, size_t end, int32_t track,
                std::vector<SMidiMessage>& out, std::string& error) {
    int32_t tick = 0;
    uint8_t running = 0;
    while (pos < end) {
        uint32_t delta;
        if (!ReadVariable(b, pos, end, delta)) {
            error = "bad delta time";
            return false;
        }
        tick += static_cast<int32_t>(delta);
        if (pos >= end) {
            error = "event cut off";
            return false;
        }
        SMidiMessage m;
        m.tick = tick;
        m.track = track;
        uint8_t first = b[pos];
        if (first == 0xff || first == 0xf0 || first == 0xf7) {
            ++pos;
            m.status = first;
            if (first == 0xff) {
                if (pos >= end) {
                    error = "meta event cut off";
                    return false;
                }
                m.metaType = b[pos++];
            }
            uint32_t length;
            if (!ReadVariable(b, pos, end, length) || pos + length > end) {
                error = "meta or sysex length runs past the track";
                return false;
            }
            m.data.assign(b.begin() + static_cast<long>(pos),
                          b.begin() + static_cast<long>(pos + length));
            pos += length;
        } else {
            if (first & 0x80) {
                running = first;
                ++pos;
            } else if (running == 0) {
                error = "data byte without a status";
                return false;
            }
            m.status = running;
            int kind = running & 0xf0;
            size_t count = (kind == 0xc0 || kind == 0xd0) ? 1 : 2;
            if (pos + count > end) {
                error = "channel message cut off";
                return false;
            }
            for (size_t i = 0; i < count; ++i) {
                if (b[pos] & 0x80) {
                    error = "status byte where a data byte belongs";
                    return false;
                }
                m.data.push_back(b[pos++]);
            }
        }
        out.push_back(m);
    }
    return true;
}

}  // namespace

bool ParseMidiFile(const std::vector<uint8_t>& b, SMidiFile& out, std::string& error) {
    if (b.size() < 14 || BigEndian(b, 0, 4) != 0x4d546864 /* MThd */ || BigEndian(b, 4, 4) != 6) {
        error = "no header chunk";
        return false;
    }
    out.format = static_cast<int32_t>(BigEndian(b, 8, 2));
    uint32_t trackCount = BigEndian(b, 10, 2);
    out.division = static_cast<int32_t>(BigEndian(b, 12, 2));
    size_t pos = 14;
    for (uint32_t t = 0; t < trackCount; ++t) {
        if (pos + 8 > b.size() || BigEndian(b, pos, 4) != 0x4d54726b /* MTrk */) {
            error = "missing track chunk";
            return false;
        }
        size_t length = BigEndian(b, pos + 4, 4);
        pos += 8;
        if (pos + length > b.size()) {
            error = "track chunk runs past the file";
            return false;
        }
        out.tracks.emplace_back();
        if (!ParseTrack(b, pos, pos + length, static_cast<int32_t>(t), out.tracks.back(), error)) {
            return false;
        }
        pos += length;
    }
    if (pos != b.size()) {
        error = "bytes after the last track";
        return false;
    }
    return true;
}

std::vector<SMidiMessage> MergeTracks(const SMidiFile& file) {
    std::vector<SMidiMessage> merged;
    for (const auto& track : file.tracks) {
        merged.insert(merged.end(), track.begin(), track.end());
    }
    std::stable_sort(merged.begin(), merged.end(),
                     [](const SMidiMessage& a, const SMidiMessage& b) { return a.tick < b.tick; });
    return merged;
}

std::vector<SHeardNote> PairNotes(const std::vector<SMidiMessage>& merged) {
    std::vector<SHeardNote> notes;
    std::map<std::pair<int32_t, int32_t>, std::vector<size_t>> sounding;
    // A note off ends the notes that were struck before it, even at the
    // same tick; a note on at the tick of an off is a new note.
    for (const SMidiMessage& m : merged) {
        if (m.IsNoteOff()) {
            auto& open = sounding[{m.Channel(), m.data[0]}];
            if (!open.empty()) {
                notes[open.front()].off = m.tick;
                open.erase(open.begin());
            }
        } else if (m.IsNoteOn()) {
            sounding[{m.Channel(), m.data[0]}].push_back(notes.size());
            notes.push_back({m.tick, -1, m.Channel(), m.data[0], m.data[1]});
        }
    }
    return notes;
}

double SecondsAt(const std::vector<SMidiMessage>& merged, int32_t division, int32_t tick) {
    double seconds = 0.0;
    double microsPerQuarter = 500000.0;
    int32_t now = 0;
    for (const SMidiMessage& m : merged) {
        if (m.tick >= tick) {
            break;
        }
        if (m.status == 0xff && m.metaType == 0x51 && m.data.size() == 3) {
            seconds += (m.tick - now) * microsPerQuarter / division / 1e6;
            now = m.tick;
            microsPerQuarter = (m.data[0] << 16) | (m.data[1] << 8) | m.data[2];
        }
    }
    return seconds + (tick - now) * microsPerQuarter / division / 1e6;
}

bool ParseWaveFile(const std::vector<uint8_t>& b, SWaveFile& out, std::string& error) {
    if (b.size() < 12 || BigEndian(b, 0, 4) != 0x52494646 /* RIFF */ ||
        BigEndian(b, 8, 4) != 0x57415645 /* WAVE */) {
        error = "not a RIFF WAVE file";
        return false;
    }
    out.riffSize = LittleEndian(b, 4, 4);
    bool haveFormat = false;
    bool haveData = false;
    size_t pos = 12;
    while (pos + 8 <= b.size()) {
        uint32_t id = BigEndian(b, pos, 4);
        size_t size = LittleEndian(b, pos + 4, 4);
        pos += 8;
        if (pos + size > b.size()) {
            error = "chunk runs past the file";
            return false;
        }
        if (id == 0x666d7420 /* "fmt " */ && size >= 16) {
            out.formatTag = static_cast<int32_t>(LittleEndian(b, pos, 2));
            out.channels = static_cast<int32_t>(LittleEndian(b, pos + 2, 2));
            out.rate = static_cast<int32_t>(LittleEndian(b, pos + 4, 4));
            out.bytesPerSecond = static_cast<int32_t>(LittleEndian(b, pos + 8, 4));
            out.blockAlign = static_cast<int32_t>(LittleEndian(b, pos + 12, 2));
            out.bits = static_cast<int32_t>(LittleEndian(b, pos + 14, 2));
            haveFormat = true;
        } else if (id == 0x64617461 /* data */) {
            for (size_t i = 0; i + 1 < size; i += 2) {
                out.samples.push_back(static_cast<int16_t>(LittleEndian(b, pos + i, 2)));
            }
            haveData = true;
        }
        pos += size + (size & 1);
    }
    if (!haveFormat || !haveData) {
        error = "missing fmt or data chunk";
        return false;
    }
    return true;
}
