#include "tools/soundgen/Piece.h"

#include <algorithm>
#include <stdexcept>

namespace {

void AddSetUp(CMidiTrack& track, const SPart& part, int32_t tick) {
    if (part.channel != kDrumChannel) {
        track.AddController(tick, part.channel, 0, 0);  // bank 0
        track.AddProgram(tick, part.channel, part.program);
    } else {
        track.AddProgram(tick, part.channel, 0);  // standard kit
    }
    track.AddController(tick, part.channel, 7, part.volume);
    track.AddController(tick, part.channel, 10, part.pan);
    track.AddController(tick, part.channel, 91, part.reverb);
    track.AddController(tick, part.channel, 93, part.chorus);
    track.AddController(tick, part.channel, 64, 0);  // no sustain pedal
}

struct SPlacedNote {
    int32_t on;
    int32_t off;
    int32_t key;
    int32_t velocity;
};

}  // namespace

SLaidOutPiece LayOutPiece(const SPiece& piece) {
    if (piece.bars < 1) {
        throw std::invalid_argument("a piece needs at least one bar");
    }
    const int32_t loopLength = piece.bars * kTicksPerBar;
    SLaidOutPiece out;
    out.loopEnd = kLoopStart + loopLength;
    out.endTick = out.loopEnd + kLoopTail;
    const int32_t tailEnd = kLoopStart + kLoopTail;  // the stretch the tail repeats

    CMidiTrack conductor;
    conductor.AddName(0, piece.title);
    for (int32_t tick : {0, kLoopStart, out.loopEnd}) {
        conductor.AddTempo(tick, piece.microsPerQuarter);
    }
    out.tracks.push_back(conductor);

    for (const SNote& note : piece.notes) {
        bool known = std::any_of(piece.parts.begin(), piece.parts.end(),
                                 [&](const SPart& part) { return part.channel == note.channel; });
        if (!known) {
            throw std::invalid_argument("a note on a channel without a part");
        }
    }

    for (const SPart& part : piece.parts) {
        CMidiTrack track;
        track.AddName(0, part.name);
        for (int32_t tick : {0, kLoopStart, out.loopEnd}) {
            AddSetUp(track, part, tick);
        }

        std::vector<SPlacedNote> placed;
        for (const SNote& note : piece.notes) {
            if (note.channel != part.channel) {
                continue;
            }
            SPlacedNote p{kLoopStart + note.start + kNoteDelay, 0, note.key, note.velocity};
            int32_t limit = note.start < 0 ? kLoopStart - kSeamGap : out.loopEnd - kSeamGap;
            if (p.on < 0 || note.start >= loopLength || note.length <= 0) {
                throw std::invalid_argument("a note outside the piece");
            }
            p.off = std::min(p.on + note.length, limit);
            if (p.off <= p.on) {
                throw std::invalid_argument("a note with no room before the loop point");
            }
            placed.push_back(p);
        }
        // The tail: the notes struck in the first kLoopTail units of the
        // body, struck again one loop later and cut at the end of the file.
        const size_t bodyCount = placed.size();
        for (size_t i = 0; i < bodyCount; ++i) {
            SPlacedNote p = placed[i];
            if (p.on >= kLoopStart && p.on < tailEnd) {
                p.on += loopLength;
                p.off = std::min(p.off + loopLength, out.endTick);
                placed.push_back(p);
            }
        }
        // A key struck again while it still sounds would be cut short by
        // the first note's release; the parts never do that.
        std::vector<SPlacedNote> byStart = placed;
        std::sort(byStart.begin(), byStart.end(),
                  [](const SPlacedNote& a, const SPlacedNote& b) { return a.on < b.on; });
        std::vector<int32_t> lastOff(128, -1);
        for (const SPlacedNote& p : byStart) {
            if (p.on < lastOff[p.key]) {
                throw std::invalid_argument("a key struck again while it sounds: " + part.name);
            }
            lastOff[p.key] = p.off;
        }
        for (const SPlacedNote& p : placed) {
            track.AddNoteOn(p.on, part.channel, p.key, p.velocity);
            track.AddNoteOff(p.off, part.channel, p.key);
        }
        out.tracks.push_back(track);
    }
    return out;
}

std::vector<uint8_t> EncodePiece(const SPiece& piece) {
    SLaidOutPiece laidOut = LayOutPiece(piece);
    return EncodeMidiFile(laidOut.tracks, kTicksPerQuarter, laidOut.endTick);
}
