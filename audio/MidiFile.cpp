#include "audio/MidiFile.h"

#include <algorithm>
#include <new>

#include "devices/RegularFile.h"

namespace {

// Ticks beyond this end a track: no playable piece gets near it, and music
// time computed from it stays far from overflowing.
constexpr int64_t kMaxTicks = int64_t(1) << 40;

uint32_t LoadBe32(const uint8_t* bytes) {
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) |
           uint32_t(bytes[3]);
}

uint16_t LoadBe16(const uint8_t* bytes) {
    return uint16_t((bytes[0] << 8) | bytes[1]);
}

// Reads through one track's bytes without ever passing their end.
class CTrackReader {
public:
    CTrackReader(const uint8_t* begin, size_t size) : at(begin), end(begin + size) {}
    bool AtEnd() const { return at >= end; }
    bool Byte(uint8_t* value) {
        if (at >= end) {
            return false;
        }
        *value = *at++;
        return true;
    }
    // A variable-length quantity of at most four bytes.
    bool Number(uint32_t* value) {
        uint32_t result = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t byte;
            if (!Byte(&byte)) {
                return false;
            }
            result = (result << 7) | (byte & 0x7F);
            if ((byte & 0x80) == 0) {
                *value = result;
                return true;
            }
        }
        return false;
    }
    bool Skip(uint32_t count) {
        if (count > static_cast<size_t>(end - at)) {
            return false;
        }
        at += count;
        return true;
    }
    const uint8_t* Here() const { return at; }

private:
    const uint8_t* at;
    const uint8_t* end;
};

// Converts file ticks to music time.
struct CTimeScale {
    bool smpte = false;
    int64_t ticksPerQuarter = 0;     // metrical division
    int64_t ticksPerSecondX100 = 0;  // time-code division, in 1/100 ticks

    int64_t ToMusicTime(int64_t ticks) const {
        if (!smpte) {
            return (ticks * kMusicTimePerQuarter + ticksPerQuarter / 2) / ticksPerQuarter;
        }
        // Time-code pieces run at the default tempo: two quarters a second.
        const int64_t perSecond = 2 * kMusicTimePerQuarter;
        return (ticks * 100 * perSecond + ticksPerSecondX100 / 2) / ticksPerSecondX100;
    }
};

struct RawEvent {
    int64_t ticks;
    MidiEvent event;
};

// Reads one track's events; returns the track's end in ticks. A track that
// breaks off keeps what was read before the break.
int64_t ReadTrack(const uint8_t* data, size_t size, bool keepTempo, std::vector<RawEvent>* out) {
    CTrackReader reader(data, size);
    int64_t ticks = 0;
    uint8_t running = 0;
    while (!reader.AtEnd()) {
        uint32_t delta;
        uint8_t status;
        if (!reader.Number(&delta) || !reader.Byte(&status)) {
            break;
        }
        const int64_t when = ticks + delta;
        if (when > kMaxTicks) {
            break;
        }
        uint8_t first = 0;
        if (status < 0x80) {
            // Running status: this byte is the first data byte.
            if (running == 0) {
                break;
            }
            first = status;
            status = running;
        } else if (status < 0xF0) {
            running = status;
            if (!reader.Byte(&first)) {
                break;
            }
        }
        if (status < 0xF0) {
            MidiEvent event;
            event.status = status;
            event.data1 = first & 0x7F;
            const uint8_t kind = status & 0xF0;
            if (kind != 0xC0 && kind != 0xD0) {
                uint8_t second;
                if (!reader.Byte(&second)) {
                    break;
                }
                event.data2 = second & 0x7F;
            }
            ticks = when;
            out->push_back({when, event});
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            // System exclusive: the synthesiser is reset its own way.
            uint32_t length;
            if (!reader.Number(&length) || !reader.Skip(length)) {
                break;
            }
            running = 0;
            ticks = when;
            continue;
        }
        if (status == 0xFF) {
            uint8_t type;
            uint32_t length;
            if (!reader.Byte(&type) || !reader.Number(&length)) {
                break;
            }
            const uint8_t* body = reader.Here();
            if (!reader.Skip(length)) {
                break;
            }
            running = 0;
            ticks = when;
            if (type == 0x2F) {
                return ticks;
            }
            if (type == 0x51 && length >= 3 && keepTempo) {
                uint32_t tempo = (uint32_t(body[0]) << 16) | (uint32_t(body[1]) << 8) | body[2];
                if (tempo > 0) {
                    MidiEvent event;
                    event.status = kMidiTempoStatus;
                    event.tempo = tempo;
                    out->push_back({when, event});
                }
            }
            continue;
        }
        // A system common or real-time byte has no place in a file.
        break;
    }
    return ticks;
}

}  // namespace

bool ParseMidiFile(const uint8_t* data, size_t size, MidiPiece* piece) {
    if (data == nullptr || piece == nullptr || size < 14) {
        return false;
    }
    if (LoadBe32(data) != 0x4D546864 /* MThd */) {
        return false;
    }
    const uint32_t headerSize = LoadBe32(data + 4);
    if (headerSize < 6 || headerSize > size - 8) {
        return false;
    }
    const uint16_t format = LoadBe16(data + 8);
    const uint16_t trackCount = LoadBe16(data + 10);
    const uint16_t division = LoadBe16(data + 12);
    if (format > 1) {
        return false;
    }
    CTimeScale scale;
    if (division & 0x8000) {
        int framesPerSecond = -static_cast<int8_t>(division >> 8);
        int ticksPerFrame = division & 0xFF;
        if (framesPerSecond <= 0 || ticksPerFrame == 0) {
            return false;
        }
        scale.smpte = true;
        // 29 frames a second stands for 29.97 (drop-frame time code).
        int64_t framesX100 = framesPerSecond == 29 ? 2997 : framesPerSecond * 100;
        scale.ticksPerSecondX100 = framesX100 * ticksPerFrame;
    } else {
        if (division == 0) {
            return false;
        }
        scale.ticksPerQuarter = division;
    }

    std::vector<RawEvent> raw;
    std::vector<size_t> trackStarts;
    int64_t endTicks = 0;
    try {
        size_t at = 8 + size_t(headerSize);
        int tracksRead = 0;
        while (tracksRead < trackCount && size - at >= 8) {
            const uint32_t id = LoadBe32(data + at);
            const uint32_t length = LoadBe32(data + at + 4);
            at += 8;
            // A chunk that claims more than the file holds ends at the file.
            const size_t available = std::min<size_t>(length, size - at);
            if (id == 0x4D54726B /* MTrk */) {
                endTicks = std::max(endTicks, ReadTrack(data + at, available, !scale.smpte, &raw));
                ++tracksRead;
            }
            at += available;
        }
        if (tracksRead == 0) {
            return false;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }

    // Longer than music time can count: not a piece this player can play.
    const int64_t length = scale.ToMusicTime(endTicks);
    if (length > INT32_MAX) {
        return false;
    }
    std::stable_sort(raw.begin(), raw.end(),
                     [](const RawEvent& a, const RawEvent& b) { return a.ticks < b.ticks; });
    MidiPiece result;
    try {
        result.events.reserve(raw.size());
        for (const RawEvent& item : raw) {
            MidiEvent event = item.event;
            event.time = static_cast<int32_t>(scale.ToMusicTime(item.ticks));
            result.events.push_back(event);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    result.length = static_cast<int32_t>(length);
    *piece = std::move(result);
    return true;
}

bool LoadMidiFile(const char* path, MidiPiece* piece) {
    if (path == nullptr) {
        return false;
    }
    std::vector<uint8_t> bytes;
    try {
        if (ReadRegularFile(path, bytes, kMaxMidiFileBytes, FILE_LINKS_FOLLOWED) != FILE_READ_OK) {
            return false;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return ParseMidiFile(bytes.data(), bytes.size(), piece);
}

uint32_t TempoBefore(const MidiPiece& piece, int32_t time) {
    uint32_t tempo = kDefaultTempo;
    for (const MidiEvent& event : piece.events) {
        if (event.time >= time) {
            break;
        }
        if (event.status == kMidiTempoStatus) {
            tempo = event.tempo;
        }
    }
    return tempo;
}

namespace {

// Controllers whose last value is not a state to restore: data entry and
// parameter numbers (the synthesiser keeps what they set), and the channel
// mode messages.
bool IsRestorableController(int controller) {
    if (controller == 6 || controller == 38) {
        return false;
    }
    if (controller >= 96 && controller <= 101) {
        return false;
    }
    return controller < 120;
}

uint8_t PowerOnValue(int controller) {
    switch (controller) {
        case 7:  // volume
            return 100;
        case 8:   // balance
        case 10:  // pan
            return 64;
        case 11:  // expression
            return 127;
        default:
            return 0;
    }
}

}  // namespace

std::vector<MidiEvent> ChannelStateBefore(const MidiPiece& piece, int32_t time) {
    struct ChannelState {
        bool used = false;
        bool controllerUsed[128] = {};
        int controller[128];
        int program = 0;
        int bend = 8192;
        int pressure = 0;
        bool pressureUsed = false;
        bool bendUsed = false;
    };
    ChannelState channels[16];
    for (ChannelState& state : channels) {
        std::fill(std::begin(state.controller), std::end(state.controller), -1);
    }
    for (const MidiEvent& event : piece.events) {
        if (event.status == kMidiTempoStatus) {
            continue;
        }
        ChannelState& state = channels[event.status & 0x0F];
        const bool before = event.time < time;
        state.used = true;
        switch (event.status & 0xF0) {
            case 0xB0:
                state.controllerUsed[event.data1] = true;
                if (before) {
                    state.controller[event.data1] = event.data2;
                }
                break;
            case 0xC0:
                if (before) {
                    state.program = event.data1;
                }
                break;
            case 0xD0:
                state.pressureUsed = true;
                if (before) {
                    state.pressure = event.data1;
                }
                break;
            case 0xE0:
                state.bendUsed = true;
                if (before) {
                    state.bend = event.data1 | (event.data2 << 7);
                }
                break;
            default:
                break;
        }
    }
    std::vector<MidiEvent> result;
    for (int channel = 0; channel < 16; ++channel) {
        const ChannelState& state = channels[channel];
        if (!state.used) {
            continue;
        }
        auto add = [&](uint8_t kind, int data1, int data2) {
            MidiEvent event;
            event.time = time;
            event.status = static_cast<uint8_t>(kind | channel);
            event.data1 = static_cast<uint8_t>(data1);
            event.data2 = static_cast<uint8_t>(data2);
            result.push_back(event);
        };
        auto controllerValue = [&](int controller) {
            int value = state.controller[controller];
            return value >= 0 ? value : PowerOnValue(controller);
        };
        // The bank first, then the program it selects from.
        for (int bank : {0, 32}) {
            if (state.controllerUsed[bank]) {
                add(0xB0, bank, controllerValue(bank));
            }
        }
        add(0xC0, state.program, 0);
        for (int controller = 1; controller < 128; ++controller) {
            if (controller != 32 && state.controllerUsed[controller] &&
                IsRestorableController(controller)) {
                add(0xB0, controller, controllerValue(controller));
            }
        }
        if (state.bendUsed) {
            add(0xE0, state.bend & 0x7F, state.bend >> 7);
        }
        if (state.pressureUsed) {
            add(0xD0, state.pressure, 0);
        }
    }
    return result;
}
