// Loudness of 16-bit stereo sound at 44.1 kHz, weighted and gated as
// broadcast loudness meters do it (ITU-R BS.1770): K-weighting, momentary
// (400 ms) and short-term (3 s) windows, and the gated integrated loudness.
// Loudness is in LUFS; a difference of loudness is in LU (1 LU = 1 dB).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Frames in one measuring step of 100 ms.
constexpr size_t kStepFrames = 4410;
// Steps in the momentary and the short-term window.
constexpr size_t kMomentarySteps = 4;
constexpr size_t kShortTermSteps = 30;

// The K-weighted power (mean square, summed over both channels) of each whole
// 100 ms step of interleaved stereo samples.
std::vector<double> WeightedSteps(const std::vector<int16_t>& stereo);

// The loudness of a power; -inf for silence.
double Loudness(double power);
// The loudness of the `steps` steps that end just before step `end`.
double WindowLoudness(const std::vector<double>& power, size_t end, size_t steps);
// The gated loudness of the whole: 400 ms blocks every 100 ms, those below
// -70 LUFS left out, then those more than 10 LU below the rest's loudness.
double IntegratedLoudness(const std::vector<double>& power);
