// The samples of one sound effect as the browser's audio takes them: 32-bit
// floats, one channel after the other, at the file's own rate. The browser
// form plays the formats the desktop plays (audio/WaveRules.h).
#pragma once

#include <cstdint>
#include <vector>

#include "audio/WaveRules.h"

struct CEffectSamples {
    int32_t channels = 0;
    int32_t rate = 0;
    // The effect's length: every whole frame of the buffer.
    uint32_t frames = 0;
    // The frames the file delivered, as floats, channel after channel
    // (storedFrames of each); the rest of the effect is silence.
    uint32_t storedFrames = 0;
    std::vector<float> planar;
};

// Converts an effect of `bufferBytes` in the format `block`, of which the
// first `storedBytes` are at `data`. False for a format or a size that is
// not played.
bool ConvertEffectSamples(const WAVEFORMATEX* block, const uint8_t* data, uint32_t storedBytes,
                          uint32_t bufferBytes, CEffectSamples* out);
