// The click sound: a short rising squeak, and the WAV file that holds it.
#pragma once

#include <cstdint>
#include <vector>

constexpr int32_t kSqueakRate = 44100;

// Mono 16-bit samples at kSqueakRate; starts and ends at silence.
std::vector<int16_t> SynthesizeSqueak();

// A RIFF WAVE file of 16-bit PCM mono samples.
std::vector<uint8_t> EncodeWave(const std::vector<int16_t>& samples, int32_t rate);
