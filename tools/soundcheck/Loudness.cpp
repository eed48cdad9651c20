#include "tools/soundcheck/Loudness.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = 44100.0;
constexpr double kAbsoluteGate = -70.0;
constexpr double kRelativeGate = -10.0;

// A second-order filter section, direct form I.
struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;

    double Step(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// The K-weighting at our rate, from the analogue filters it is defined by:
// a high shelf of about +4 dB above 1.7 kHz (the head's effect), then a
// high-pass at 38 Hz.
Biquad Shelf() {
    const double gain = 3.999843853973347;  // dB
    const double f0 = 1681.974450955533;
    const double q = 0.7071752369554196;
    const double k = std::tan(kPi * f0 / kRate);
    const double vh = std::pow(10.0, gain / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    return Biquad{(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0,
                  (vh - vb * k / q + k * k) / a0, 2.0 * (k * k - 1.0) / a0,
                  (1.0 - k / q + k * k) / a0};
}

Biquad HighPass() {
    const double f0 = 38.13547087602444;
    const double q = 0.5003270373238773;
    const double k = std::tan(kPi * f0 / kRate);
    const double a0 = 1.0 + k / q + k * k;
    return Biquad{1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

double WindowPower(const std::vector<double>& power, size_t end, size_t steps) {
    double sum = 0;
    for (size_t i = end - steps; i < end; ++i) {
        sum += power[i];
    }
    return sum / double(steps);
}

}  // namespace

std::vector<double> WeightedSteps(const std::vector<int16_t>& stereo) {
    Biquad shelf[2] = {Shelf(), Shelf()};
    Biquad highPass[2] = {HighPass(), HighPass()};
    const size_t steps = stereo.size() / 2 / kStepFrames;
    std::vector<double> power(steps, 0.0);
    for (size_t step = 0; step < steps; ++step) {
        double sum = 0;
        for (size_t frame = step * kStepFrames; frame < (step + 1) * kStepFrames; ++frame) {
            for (int channel = 0; channel < 2; ++channel) {
                const double x = stereo[2 * frame + channel] / 32768.0;
                const double y = highPass[channel].Step(shelf[channel].Step(x));
                sum += y * y;
            }
        }
        power[step] = sum / kStepFrames;
    }
    return power;
}

double Loudness(double power) {
    if (power <= 0) {
        return -std::numeric_limits<double>::infinity();
    }
    return -0.691 + 10.0 * std::log10(power);
}

double WindowLoudness(const std::vector<double>& power, size_t end, size_t steps) {
    return Loudness(WindowPower(power, end, steps));
}

double IntegratedLoudness(const std::vector<double>& power) {
    std::vector<double> blocks;
    for (size_t end = kMomentarySteps; end <= power.size(); ++end) {
        blocks.push_back(WindowPower(power, end, kMomentarySteps));
    }
    auto gatedMean = [&](double gate) {
        double sum = 0;
        size_t count = 0;
        for (double block : blocks) {
            if (Loudness(block) > gate) {
                sum += block;
                ++count;
            }
        }
        return count > 0 ? sum / count : 0.0;
    };
    const double ungated = Loudness(gatedMean(kAbsoluteGate));
    return Loudness(gatedMean(std::max(kAbsoluteGate, ungated + kRelativeGate)));
}
