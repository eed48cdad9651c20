// Renders the game's music for the browser form, through the desktop's own
// music player: the same MIDI reader, sequencer, synthesiser and SoundFont.
//
//   web-music-render [--loop-start UNITS] --out DIR --manifest FILE NAME=FILE.mid...
//
// For each piece it writes DIR/NAME.wav (44.1 kHz, 16-bit stereo) and an
// entry of the manifest FILE: the MIDI file it stands for (by size and
// checksum) and its loop in frames. The loop starts where the game starts it
// unless --loop-start says otherwise. The piece is sequenced with one repeat
// of its loop: the opening and the first pass, the jump back, the second
// pass, the end and the notes ringing out. The second pass, from the jump (loopFrom) to where
// the next jump would be (loopTo), is the loop the browser repeats, so what
// follows the seam is what the desktop plays after a jump, the notes of the
// pass before ringing out.
//
// The synthesiser starts notes on a grid of 64 frames, so two passes are not
// the same sample for sample: the end of the second pass runs into the start
// of the loop with a step. Its last kCrossfadeFrames are therefore faded
// over into the end of the first pass, which the start of the loop follows
// without a step.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/FluidSynthMusic.h"
#include "audio/MidiFile.h"
#include "devices/GameNumbers.h"
#include "devices/RegularFile.h"
#include "web/MusicChecksum.h"

namespace {

constexpr int32_t kRate = 44100;
// Longest ring-out after the piece's end, and the level that counts as
// silence.
constexpr int32_t kMaxRingOutFrames = 4 * kRate;
constexpr float kSilence = 1.0f / 32768.0f;
// The longest piece rendered, and the most frames rendered at a time.
constexpr int64_t kMaxFrames = int64_t(kRate) * 60 * 30;
constexpr int32_t kBlockFrames = 1024;
// Frames of the fade at the end of the loop, and the frames before the seam
// that are compared.
constexpr int32_t kCrossfadeFrames = 2048;
constexpr int32_t kSeamFrames = kRate / 20;

struct Rendering {
    std::vector<float> stereo;  // interleaved
    int64_t loopFrom = 0;       // first frame after the jump back
    int64_t loopTo = 0;         // the frame where the next jump would come
    int32_t loopStartUnits = 0;
    int32_t loopEndUnits = 0;
};

int64_t Frames(const Rendering& rendering) {
    return static_cast<int64_t>(rendering.stereo.size() / 2);
}

// Sequences the piece in blocks, each ending where the sequencer has
// something due next, and takes the loop's frames from the sequencer. An
// empty `soundFont` is the one the game itself would use.
bool Render(const std::string& soundFont, const char* midiPath, int32_t loopStart, Rendering* out) {
    std::unique_ptr<CFluidSynthMusic> player = soundFont.empty()
                                                   ? std::make_unique<CFluidSynthMusic>()
                                                   : std::make_unique<CFluidSynthMusic>(soundFont);
    CFluidSynthMusic& music = *player;
    if (!music.Init(nullptr, nullptr)) {
        std::fprintf(stderr, "web-music-render: cannot load the SoundFont %s\n",
                     soundFont.empty() ? "(the game's own choice)" : soundFont.c_str());
        return false;
    }
    music.SetSlotCount(1);
    if (!music.Load(midiPath, 0)) {
        std::fprintf(stderr, "web-music-render: cannot read %s\n", midiPath);
        return false;
    }
    music.SetLoop(0, 1, loopStart);
    uint32_t repeats = 0;
    if (!music.GetLoop(0, &out->loopStartUnits, &out->loopEndUnits, &repeats)) {
        return false;
    }
    const bool looping = out->loopStartUnits < out->loopEndUnits;
    music.Play(0);

    // The frame the piece ended at: the start of a block, since no block
    // runs past the piece's end.
    int64_t ended = -1;
    int32_t quiet = 0;
    for (int64_t frame = 0; frame <= kMaxFrames;) {
        const int64_t due = music.FramesToNext();
        const int32_t block =
            static_cast<int32_t>(due > 0 ? std::min<int64_t>(due, kBlockFrames) : kBlockFrames);
        out->stereo.resize(size_t(frame + block) * 2, 0.0f);
        music.MixInto(out->stereo.data() + frame * 2, block);
        if (looping && music.LastJump() > 0) {
            out->loopFrom = music.LastJump();
        }
        if (looping && out->loopFrom > 0 && music.LastLoopEnd() > out->loopFrom) {
            out->loopTo = music.LastLoopEnd();
        }
        if (ended < 0 && music.Position() < 0) {
            ended = frame;
        }
        frame += block;
        if (ended < 0) {
            continue;
        }
        // The piece is over: let the notes ring out until they fall silent.
        for (int64_t at = std::max(ended, frame - block); at < frame; ++at) {
            const float* sample = out->stereo.data() + at * 2;
            const bool silent = std::fabs(sample[0]) < kSilence && std::fabs(sample[1]) < kSilence;
            quiet = silent ? quiet + 1 : 0;
            if (quiet >= kSeamFrames || at + 1 - ended >= kMaxRingOutFrames) {
                out->stereo.resize(size_t(at + 1) * 2);
                if (looping && out->loopTo <= out->loopFrom) {
                    std::fprintf(stderr, "web-music-render: %s: the loop did not come round\n",
                                 midiPath);
                    return false;
                }
                return true;
            }
        }
    }
    std::fprintf(stderr, "web-music-render: %s plays for more than half an hour\n", midiPath);
    return false;
}

int16_t ToPcm(float value) {
    const float clamped = value < -1.0f ? -1.0f : (value > 1.0f ? 1.0f : value);
    return static_cast<int16_t>(std::lround(clamped * 32767.0f));
}

void PutLe(std::FILE* file, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file);
    }
}

bool WriteWave(const std::string& path, const Rendering& rendering) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const uint32_t dataBytes = static_cast<uint32_t>(rendering.stereo.size() * 2);
    std::fputs("RIFF", file);
    PutLe(file, 36 + dataBytes, 4);
    std::fputs("WAVEfmt ", file);
    PutLe(file, 16, 4);
    PutLe(file, 1, 2);  // PCM
    PutLe(file, 2, 2);
    PutLe(file, kRate, 4);
    PutLe(file, kRate * 4, 4);
    PutLe(file, 4, 2);
    PutLe(file, 16, 2);
    std::fputs("data", file);
    PutLe(file, dataBytes, 4);
    for (float value : rendering.stereo) {
        PutLe(file, static_cast<uint16_t>(ToPcm(value)), 2);
    }
    return std::fclose(file) == 0;
}

// The largest step between neighbouring samples where the loop goes round
// (the end of the loop followed by its start), against the largest step
// around the jump the sequencer made itself: above 1 the seam is rougher than
// the music around it.
double SeamRoughness(const Rendering& r) {
    if (r.loopTo <= r.loopFrom || r.loopFrom < kSeamFrames) {
        return 0.0;
    }
    auto at = [&r](int64_t frame, int channel) { return r.stereo[size_t(frame * 2 + channel)]; };
    double seam = 0.0;
    double around = 1e-9;
    for (int channel = 0; channel < 2; ++channel) {
        seam =
            std::max(seam, double(std::fabs(at(r.loopFrom, channel) - at(r.loopTo - 1, channel))));
        for (int64_t frame = r.loopFrom - kSeamFrames; frame < r.loopFrom + kSeamFrames; ++frame) {
            around =
                std::max(around, double(std::fabs(at(frame, channel) - at(frame - 1, channel))));
        }
    }
    return seam / around;
}

// Fades the last frames of the loop over into the frames before the jump, so
// that the start of the loop follows them as it followed the first pass.
void FadeIntoSeam(Rendering* r) {
    if (r->loopTo <= r->loopFrom || r->loopFrom < kCrossfadeFrames ||
        r->loopTo - r->loopFrom < kCrossfadeFrames) {
        return;
    }
    for (int32_t i = 0; i < kCrossfadeFrames; ++i) {
        const float weight = (float(i) + 0.5f) / float(kCrossfadeFrames);
        for (int channel = 0; channel < 2; ++channel) {
            float& end = r->stereo[size_t((r->loopTo - kCrossfadeFrames + i) * 2 + channel)];
            const float before =
                r->stereo[size_t((r->loopFrom - kCrossfadeFrames + i) * 2 + channel)];
            end = end * (1.0f - weight) + before * weight;
        }
    }
}

// The piece's entry in the manifest the page reads.
std::string Facts(const std::string& name, const std::vector<uint8_t>& midi, const Rendering& r) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "{\"name\": \"%s\", \"audio\": \"music/%s.opus\", \"bytes\": %zu, "
                  "\"fnv1a\": %u, \"rate\": %d, \"frames\": %lld, \"loopStartUnits\": %d, "
                  "\"loopEndUnits\": %d, \"loopFrom\": %lld, \"loopTo\": %lld}",
                  name.c_str(), name.c_str(), midi.size(), MusicChecksum(midi.data(), midi.size()),
                  kRate, static_cast<long long>(Frames(r)), r.loopStartUnits, r.loopEndUnits,
                  static_cast<long long>(r.loopFrom), static_cast<long long>(r.loopTo));
    return text;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: web-music-render [--soundfont SF2] [--loop-start UNITS] --out DIR "
                 "--manifest FILE NAME=FILE.mid...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string soundFont;
    std::string outDir;
    std::string manifest;
    int32_t loopStart = kMusicLoopStart;
    std::vector<std::string> pieces;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--soundfont") == 0 && hasValue) {
            soundFont = argv[++i];
        } else if (std::strcmp(argv[i], "--loop-start") == 0 && hasValue) {
            loopStart = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--out") == 0 && hasValue) {
            outDir = argv[++i];
        } else if (std::strcmp(argv[i], "--manifest") == 0 && hasValue) {
            manifest = argv[++i];
        } else if (std::strchr(argv[i], '=') != nullptr) {
            pieces.push_back(argv[i]);
        } else {
            return Usage();
        }
    }
    if (outDir.empty() || manifest.empty() || loopStart < 0 || pieces.empty()) {
        return Usage();
    }
    std::string entries;
    for (const std::string& piece : pieces) {
        const size_t equals = piece.find('=');
        const std::string name = piece.substr(0, equals);
        const std::string path = piece.substr(equals + 1);
        std::vector<uint8_t> midi;
        if (ReadRegularFile(path, midi, kMaxMidiFileBytes, FILE_LINKS_FOLLOWED) != FILE_READ_OK) {
            std::fprintf(stderr, "web-music-render: cannot read %s\n", path.c_str());
            return 1;
        }
        Rendering rendering;
        if (!Render(soundFont, path.c_str(), loopStart, &rendering)) {
            return 1;
        }
        const double rawSeam = SeamRoughness(rendering);
        FadeIntoSeam(&rendering);
        const std::string wave = outDir + "/" + name + ".wav";
        if (!WriteWave(wave, rendering)) {
            std::fprintf(stderr, "web-music-render: cannot write %s\n", wave.c_str());
            return 1;
        }
        entries += (entries.empty() ? "\n  " : ",\n  ") + Facts(name, midi, rendering);
        std::printf(
            "%s: %.2f s, loop %.3f s to %.3f s, seam step %.2f (%.2f unfaded) of the "
            "largest step around the jump\n",
            name.c_str(), double(Frames(rendering)) / kRate, double(rendering.loopFrom) / kRate,
            double(rendering.loopTo) / kRate, SeamRoughness(rendering), rawSeam);
    }
    std::FILE* file = std::fopen(manifest.c_str(), "w");
    const bool written =
        file != nullptr && std::fprintf(file, "{\"pieces\": [%s\n]}\n", entries.c_str()) > 0;
    if (file == nullptr || std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "web-music-render: cannot write %s\n", manifest.c_str());
        return 1;
    }
    return 0;
}
