#include "tools/soundgen/Squeak.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSeconds = 0.19;
constexpr double kAttack = 0.008;
constexpr double kRelease = 0.03;
constexpr double kLowHz = 950.0;
constexpr double kHighHz = 2500.0;
// Of full scale: about -14 dBFS, which puts the click some 8 LU above the play
// music when it is clicked over and over, audible without drowning it.
constexpr double kPeak = 0.20;

void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>((value >> (8 * i)) & 0xff));
    }
}

void PutTag(std::vector<uint8_t>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

}  // namespace

std::vector<int16_t> SynthesizeSqueak() {
    const int32_t count = static_cast<int32_t>(kSeconds * kSqueakRate);
    std::vector<double> wave(count);
    double phase = 0.0;
    uint32_t noiseSeed = 12345;
    double noiseLow = 0.0;
    for (int32_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / kSqueakRate;
        double s = t / kSeconds;
        // The pitch shoots up and settles (an eased exponential glide),
        // with a quick vibrato that grows in as it rises.
        double glide = 1.0 - (1.0 - s) * (1.0 - s) * (1.0 - s);
        double hz = kLowHz * std::pow(kHighHz / kLowHz, glide);
        hz *= 1.0 + 0.025 * s * std::sin(2.0 * kPi * 32.0 * t);
        phase += 2.0 * kPi * hz / kSqueakRate;
        // A bright tone: the fundamental with a little of the second and
        // third harmonics.
        double tone = std::sin(phase) + 0.30 * std::sin(2.0 * phase) + 0.10 * std::sin(3.0 * phase);
        // A breath of soft noise at the very start for the "k".
        noiseSeed = noiseSeed * 1664525u + 1013904223u;
        double noise = static_cast<double>(noiseSeed >> 8) / 8388608.0 - 1.0;
        noiseLow += 0.35 * (noise - noiseLow);
        double breath = 0.25 * noiseLow * std::exp(-t / 0.006);

        double attack = t < kAttack ? 0.5 - 0.5 * std::cos(kPi * t / kAttack) : 1.0;
        double left = kSeconds - t;
        double release = left < kRelease ? 0.5 - 0.5 * std::cos(kPi * left / kRelease) : 1.0;
        double body = 0.55 + 0.45 * std::exp(-t / 0.07);
        wave[i] = (tone + breath) * attack * release * body;
    }
    double peak = 0.0;
    for (double v : wave) {
        peak = std::max(peak, std::fabs(v));
    }
    std::vector<int16_t> samples(count);
    for (int32_t i = 0; i < count; ++i) {
        samples[i] = static_cast<int16_t>(std::lround(wave[i] / peak * kPeak * 32767.0));
    }
    samples.front() = 0;
    samples.back() = 0;
    return samples;
}

std::vector<uint8_t> EncodeWave(const std::vector<int16_t>& samples, int32_t rate) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> out;
    PutTag(out, "RIFF");
    PutLittleEndian(out, 4 + (8 + 16) + (8 + dataBytes), 4);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLittleEndian(out, 16, 4);
    PutLittleEndian(out, 1, 2);  // PCM
    PutLittleEndian(out, 1, 2);  // mono
    PutLittleEndian(out, static_cast<uint32_t>(rate), 4);
    PutLittleEndian(out, static_cast<uint32_t>(rate) * 2, 4);
    PutLittleEndian(out, 2, 2);   // block align
    PutLittleEndian(out, 16, 2);  // bits per sample
    PutTag(out, "data");
    PutLittleEndian(out, dataBytes, 4);
    for (int16_t sample : samples) {
        PutLittleEndian(out, static_cast<uint16_t>(sample), 2);
    }
    return out;
}
