// Records the game's sound through SDL's disk driver for a scripted session
// and measures it: loudness, peak, clipped samples and the music's loop jumps.
//
//   soundcheck [--seconds S | --passes N] [--click-ms MS] [--music play|gameover]
//              [--real-time] [--keep FILE] [--root DIR]
//
// The session sets up the effect and the music players as the game does, runs
// the music (slot 0, the play music, unless --music gameover) from the first
// frame and clicks (plays the effect in slot 0) every MS milliseconds (100
// unless given; 0 for no clicks), for S seconds (30 unless given) or until
// the music has jumped back to its loop start N times and 2 s more.
//
// The session runs on the output's own clock: before each block of output it
// makes the calls that are due, as the game does between two blocks, so the
// recording is the same sample for sample whether the disk driver writes as
// fast as it can (the default) or at the pace of real time (--real-time). It
// is recorded three times: the mix, the music alone and the clicks alone, so
// that the effect can be set against the music under it. --keep writes the
// mix as raw 16-bit stereo samples at 44.1 kHz to FILE.
//
// The exit status is 1 when the mix reaches above -1 dBFS or clips, the
// effect is not 6 to 10 LU above the music (short-term median), or a loop
// jump is a sample or more away from its time; 2 when it cannot measure.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioMixer.h"
#include "audio/FluidSynthMusic.h"
#include "audio/MidiFile.h"
#include "audio/SDLSound.h"
#include "devices/GameNumbers.h"
#include "tools/soundcheck/Loudness.h"

namespace {

constexpr double kRate = CAudioMixer::kRate;
constexpr const char* kPieces[] = {"sound//play.mid", "sound//gameover.mid"};
// The limits the mix is held to.
constexpr double kPeakLimit = -1.0;  // dBFS
constexpr double kEffectLow = 6.0;   // LU above the music
constexpr double kEffectHigh = 10.0;

struct Plan {
    int32_t music = 0;       // the slot that plays, -1 for none
    double clickFrames = 0;  // frames between clicks, 0 for none
    uint64_t frames = 0;     // the length of the session
};

// Makes the session's calls on the output's clock. It stands in the mixer's
// place of the music source and passes every block on to the music player.
class CSessionClock : public CMixerSource {
public:
    CSessionClock(const Plan& plan, CAudioMixer* mixer, CSound* sound, CFluidSynthMusic* music)
        : plan(plan), mixer(mixer), sound(sound), music(music) {}

    void MixInto(float* stereo, int32_t frames) override {
        if (!begun) {
            begun = true;
            firstFrame = mixer->FramesRendered();
            if (plan.music >= 0) {
                music->Play(plan.music);
            }
        }
        const uint64_t now = mixer->FramesRendered() - firstFrame;
        const uint64_t end = now + static_cast<uint64_t>(frames);
        // A click due before this block ends sounds from the next one on, as
        // a click the game takes while a block plays.
        while (plan.clickFrames > 0 && std::llround(clicks * plan.clickFrames) < int64_t(end) &&
               end <= plan.frames) {
            sound->Play(0);
            ++clicks;
        }
        music->MixInto(stereo, frames);
        const int64_t jump = music->LastJump();
        if (jump >= 0 && uint64_t(jump) < plan.frames && (jumps.empty() || jumps.back() != jump)) {
            jumps.push_back(jump);
        }
        if (end >= plan.frames) {
            done = true;
        }
    }

    void OnMixerGone() override { music->OnMixerGone(); }

    bool Done() const { return done; }

    // Read once Done: the output frame the session began at, the clicks
    // made and the music frames (from the session's start) of the jumps.
    uint64_t firstFrame = 0;
    int64_t clicks = 0;
    std::vector<int64_t> jumps;

private:
    Plan plan;
    CAudioMixer* mixer;
    CSound* sound;
    CFluidSynthMusic* music;
    bool begun = false;
    std::atomic<bool> done{false};
};

// What is kept of one recording.
struct Recording {
    std::vector<double> power;  // K-weighted power of each 100 ms step
    int32_t peak = 0;           // the largest sample magnitude
    uint64_t clipped = 0;       // samples at either end of the range
    int64_t clicks = 0;
    std::vector<int64_t> jumps;
};

bool Fail(const char* what) {
    std::fprintf(stderr, "soundcheck: %s\n", what);
    return false;
}

std::vector<int16_t> ReadSamples(const std::string& path, uint64_t fromFrame, uint64_t frames) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(fromFrame * 4));
    std::vector<int16_t> samples(frames * 2);
    in.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(frames * 4));
    samples.resize(static_cast<size_t>(in.gcount()) / 2);
    return samples;
}

// Runs the session once through the disk driver into `file`; the session's
// part of it is copied to `keep` if that is not empty.
bool Record(const Plan& plan, bool withClicks, bool withMusic, bool realTime,
            const std::string& file, const std::string& keep, Recording* out) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    if (realTime) {
        unsetenv("SDL_DISKAUDIODELAY");  // the driver waits out each block
    } else {
        setenv("SDL_DISKAUDIODELAY", "0", 1);
    }
    Plan run = plan;
    run.music = withMusic ? plan.music : -1;
    run.clickFrames = withClicks ? plan.clickFrames : 0;
    uint64_t firstFrame = 0;
    {
        // The game's set-up, in its order.
        CSDLSound sound;
        if (!sound.Init(nullptr)) {
            return Fail("cannot open the sound output");
        }
        const char* driver = SDL_GetCurrentAudioDriver();
        if (driver == nullptr || std::strcmp(driver, "disk") != 0) {
            return Fail("SDL's disk driver is not there to record with");
        }
        sound.SetSlotCount(1);
        if (!sound.LoadWave("sound//kyu.wav", 0)) {
            return Fail("cannot load sound//kyu.wav");
        }
        // The synthesiser renders nothing before the session begins, so that
        // it starts from the same state every time (its chorus, for one,
        // moves on with every block it renders).
        auto* mixer = static_cast<CAudioMixer*>(sound.GetDirectSound());
        CFluidSynthMusic music;
        CSessionClock clock(run, mixer, &sound, &music);
        mixer->Lock();
        const char* failure = nullptr;
        if (!music.Init(nullptr, mixer)) {
            failure = "cannot start the synthesiser";
        }
        music.SetSlotCount(2);
        if (failure == nullptr && (!music.Load(kPieces[0], 0) || !music.Load(kPieces[1], 1))) {
            failure = "cannot load the music";
        }
        music.SetLoop(0, kMusicLoopRepeats, kMusicLoopStart);
        music.SetLoop(1, kMusicLoopRepeats, kMusicLoopStart);
        if (failure == nullptr) {
            mixer->SetMusicSource(&clock);
        }
        mixer->Unlock();
        if (failure != nullptr) {
            return Fail(failure);
        }
        while (!clock.Done()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // Once the music is back in its place the clock is no longer called.
        mixer->SetMusicSource(&music);
        firstFrame = clock.firstFrame;
        out->clicks = clock.clicks;
        out->jumps = clock.jumps;
    }  // the music player goes first, then the output closes
    const std::vector<int16_t> samples = ReadSamples(file, firstFrame, plan.frames);
    if (samples.size() < plan.frames * 2) {
        return Fail("the disk driver wrote less than the session");
    }
    if (!keep.empty()) {
        std::ofstream to(keep, std::ios::binary);
        to.write(reinterpret_cast<const char*>(samples.data()),
                 static_cast<std::streamsize>(samples.size() * 2));
        if (!to) {
            return Fail("cannot write the recording to keep");
        }
    }
    for (int16_t sample : samples) {
        out->peak = std::max(out->peak, std::abs(int32_t(sample)));
        out->clipped += sample == 32767 || sample == -32768;
    }
    out->power = WeightedSteps(samples);
    return true;
}

// Frames of output that music time [from, to) takes at the piece's tempos.
double FramesBetween(const MidiPiece& piece, int32_t from, int32_t to) {
    uint32_t tempo = TempoBefore(piece, from);
    double micros = 0;
    int32_t at = from;
    for (const MidiEvent& event : piece.events) {
        if (event.status == kMidiTempoStatus && event.time >= from && event.time < to) {
            micros += double(event.time - at) * tempo;
            at = event.time;
            tempo = event.tempo;
        }
    }
    micros += double(to - at) * tempo;
    return micros / kMusicTimePerQuarter * kRate / 1e6;
}

// The ideal frames of the first `count` loop jumps of the slot's piece.
std::vector<double> IdealJumps(int32_t slot, int32_t count) {
    std::vector<double> ideal;
    MidiPiece piece;
    if (!LoadMidiFile(kPieces[slot], &piece)) {
        return ideal;
    }
    int32_t loopStart = kMusicLoopStart;
    int32_t loopEnd = piece.length - kMusicLoopEndMargin;
    if (loopStart >= loopEnd) {
        loopStart = 0;
        loopEnd = piece.length;
    }
    const double first = FramesBetween(piece, 0, loopEnd);
    const double pass = FramesBetween(piece, loopStart, loopEnd);
    for (int32_t k = 0; k < count; ++k) {
        ideal.push_back(first + k * pass);
    }
    return ideal;
}

double Decibels(int32_t peak) {
    return 20.0 * std::log10(std::max(peak, 1) / 32768.0);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? NAN : values[values.size() / 2];
}

// How far the effect's loudness lies above the music's, window by window,
// over the windows in which both sound.
std::vector<double> EffectOverMusic(const Recording& effect, const Recording& music, size_t steps) {
    std::vector<double> differences;
    for (size_t end = steps; end <= effect.power.size(); ++end) {
        const double e = WindowLoudness(effect.power, end, steps);
        const double m = WindowLoudness(music.power, end, steps);
        if (e > -70 && m > -70) {
            differences.push_back(e - m);
        }
    }
    return differences;
}

double MaxWindow(const Recording& recording, size_t steps) {
    double loudest = -INFINITY;
    for (size_t end = steps; end <= recording.power.size(); ++end) {
        loudest = std::max(loudest, WindowLoudness(recording.power, end, steps));
    }
    return loudest;
}

void PrintLevels(const char* name, const Recording& recording) {
    std::printf(
        "%-7s integrated %6.1f LUFS   momentary max %6.1f LUFS   short-term max %6.1f LUFS"
        "   peak %6.2f dBFS   %llu clipped samples\n",
        name, IntegratedLoudness(recording.power), MaxWindow(recording, kMomentarySteps),
        MaxWindow(recording, kShortTermSteps), Decibels(recording.peak),
        static_cast<unsigned long long>(recording.clipped));
}

void PrintSpread(const char* name, const std::vector<double>& values) {
    if (values.empty()) {
        return;
    }
    std::printf("effect over the music, %s: median %+5.1f LU (from %+5.1f to %+5.1f)\n", name,
                Median(values), *std::min_element(values.begin(), values.end()),
                *std::max_element(values.begin(), values.end()));
}

int Usage(FILE* to, int status) {
    std::fprintf(to,
                 "usage: soundcheck [--seconds S | --passes N] [--click-ms MS]"
                 " [--music play|gameover] [--real-time] [--keep FILE] [--root DIR]\n"
                 "Records the music (the play music unless told) with a click every MS ms\n"
                 "(100; 0 for none) for S seconds (30) or N loop passes, through SDL's disk\n"
                 "driver, faster than real time unless --real-time; --keep writes the mix as\n"
                 "raw 16-bit stereo at 44.1 kHz; --root is the folder that holds sound/.\n");
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 30;
    int32_t passes = 0;
    int32_t clickMs = 100;
    int32_t slot = 0;
    bool realTime = false;
    std::string keep;
    std::string root = GAME_ROOT_DIR;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (option == "--help") {
            return Usage(stdout, 0);
        }
        if (option == "--real-time") {
            realTime = true;
            continue;
        }
        if (value == nullptr) {
            return Usage(stderr, 2);
        }
        ++i;
        if (option == "--seconds") {
            seconds = std::atof(value);
        } else if (option == "--passes") {
            passes = std::atoi(value);
        } else if (option == "--click-ms") {
            clickMs = std::atoi(value);
        } else if (option == "--music" &&
                   (std::strcmp(value, "play") == 0 || std::strcmp(value, "gameover") == 0)) {
            slot = std::strcmp(value, "play") == 0 ? 0 : 1;
        } else if (option == "--keep") {
            keep = value;
        } else if (option == "--root") {
            root = value;
        } else {
            return Usage(stderr, 2);
        }
    }
    if (seconds < 4 || seconds > 3600 || passes < 0 || passes > 50 || clickMs < 0) {
        return Usage(stderr, 2);
    }
    if (chdir(root.c_str()) != 0) {
        std::fprintf(stderr, "soundcheck: cannot enter %s\n", root.c_str());
        return 2;
    }

    const std::vector<double> ideal = IdealJumps(slot, std::max(passes, 60));
    if (ideal.empty()) {
        std::fprintf(stderr, "soundcheck: cannot read %s\n", kPieces[slot]);
        return 2;
    }
    if (passes > 0) {
        seconds = ideal[passes - 1] / kRate + 2.0;
    }
    Plan plan;
    plan.music = slot;
    plan.clickFrames = clickMs * kRate / 1000.0;
    plan.frames = static_cast<uint64_t>(seconds * kRate) / kStepFrames * kStepFrames;

    // The disk driver announces itself on SDL's log at every start; what
    // goes wrong is said here.
    SDL_LogSetOutputFunction([](void*, int, SDL_LogPriority, const char*) {}, nullptr);
    char folder[] = "/tmp/soundcheck-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::fprintf(stderr, "soundcheck: cannot make a scratch folder\n");
        return 2;
    }
    const std::string file = std::string(folder) + "/output.raw";
    Recording mix, music, effect;
    bool recorded = Record(plan, true, true, realTime, file, keep, &mix);
    recorded = recorded && Record(plan, false, true, false, file, "", &music);
    if (recorded && clickMs > 0) {
        recorded = Record(plan, true, false, false, file, "", &effect);
    }
    std::remove(file.c_str());
    rmdir(folder);
    if (!recorded) {
        return 2;
    }

    bool good = true;
    std::printf("%.1f s of the %s music", plan.frames / kRate, slot == 0 ? "play" : "game-over");
    if (clickMs > 0) {
        std::printf(" with %lld clicks (one every %d ms)", static_cast<long long>(mix.clicks),
                    clickMs);
    }
    std::printf("%s\n", realTime ? ", in real time" : "");
    PrintLevels("mix", mix);
    PrintLevels("music", music);
    good = good && Decibels(mix.peak) <= kPeakLimit && mix.clipped == 0;
    if (clickMs > 0) {
        PrintLevels("effect", effect);
        const std::vector<double> shortTerm = EffectOverMusic(effect, music, kShortTermSteps);
        PrintSpread("short-term", shortTerm);
        PrintSpread("momentary ", EffectOverMusic(effect, music, kMomentarySteps));
        const double median = Median(shortTerm);
        good = good && median >= kEffectLow && median <= kEffectHigh;
    }
    for (size_t k = 0; k < mix.jumps.size() && k < ideal.size(); ++k) {
        const double off = double(mix.jumps[k]) - ideal[k];
        std::printf("loop jump %2zu at frame %10lld, ideal %14.3f: %+9.3f samples (%+.3f ms)\n",
                    k + 1, static_cast<long long>(mix.jumps[k]), ideal[k], off,
                    off * 1000.0 / kRate);
        good = good && std::fabs(off) < 1.0;
    }
    if (passes > 0 && int32_t(mix.jumps.size()) < passes) {
        std::printf("only %zu of %d loop jumps\n", mix.jumps.size(), passes);
        good = false;
    }
    std::printf("%s\n", good ? "within the limits" : "OUTSIDE THE LIMITS");
    return good ? 0 : 1;
}
