#include "web/EffectSamples.h"

#include <algorithm>
#include <cstring>

namespace {

float Sample(SampleKind kind, const uint8_t* p) {
    switch (kind) {
        case SAMPLE_U8:
            return (float(p[0]) - 128.0f) / 128.0f;
        case SAMPLE_S16:
            return float(int16_t(uint16_t(p[0] | (p[1] << 8)))) / 32768.0f;
        case SAMPLE_S24: {
            const uint32_t raw =
                uint32_t(p[0] << 8) | uint32_t(p[1] << 16) | (uint32_t(p[2]) << 24);
            return float(int32_t(raw)) / 2147483648.0f;
        }
        case SAMPLE_S32: {
            const uint32_t raw = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                                 (uint32_t(p[3]) << 24);
            return float(int32_t(raw)) / 2147483648.0f;
        }
        case SAMPLE_F32: {
            float value;
            std::memcpy(&value, p, sizeof value);
            return value;
        }
    }
    return 0.0f;
}

}  // namespace

bool ConvertEffectSamples(const WAVEFORMATEX* block, const uint8_t* data, uint32_t storedBytes,
                          uint32_t bufferBytes, CEffectSamples* out) {
    WaveFacts facts;
    if (!DescribeWaveFormat(block, &facts) || !IsEffectSize(bufferBytes)) {
        return false;
    }
    const uint32_t channels = facts.channels;
    const uint32_t frameBytes = facts.frameBytes;
    out->channels = static_cast<int32_t>(channels);
    out->rate = static_cast<int32_t>(facts.rate);
    out->frames = bufferBytes / frameBytes;
    out->storedFrames = std::min(storedBytes, bufferBytes) / frameBytes;
    out->planar.assign(size_t(out->storedFrames) * channels, 0.0f);
    for (uint32_t frame = 0; frame < out->storedFrames; ++frame) {
        const uint8_t* at = data + size_t(frame) * frameBytes;
        for (uint32_t channel = 0; channel < channels; ++channel) {
            out->planar[size_t(channel) * out->storedFrames + frame] =
                Sample(facts.kind, at + channel * facts.sampleBytes);
        }
    }
    return true;
}
