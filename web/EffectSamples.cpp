#include "web/EffectSamples.h"

#include <algorithm>
#include <cstring>

namespace {

// The sub-format ids of the extensible form end like this; their first two
// bytes are the plain format tag.
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

enum SampleKind { SAMPLE_U8, SAMPLE_S16, SAMPLE_S24, SAMPLE_S32, SAMPLE_F32 };

// The plain tag of a format block, looking inside the extensible form; 0
// when it cannot be told.
uint16_t PlainTag(const WAVEFORMATEX* block) {
    if (block->wFormatTag != kWaveFormatExtensible) {
        return block->wFormatTag;
    }
    // Valid bits (2 bytes), channel mask (4), then the 16-byte id.
    if (block->cbSize < 22) {
        return 0;
    }
    const uint8_t* id = reinterpret_cast<const uint8_t*>(block) + sizeof(WAVEFORMATEX) + 6;
    if (std::memcmp(id + 2, kSubFormatTail, sizeof kSubFormatTail) != 0) {
        return 0;
    }
    return static_cast<uint16_t>(id[0] | (id[1] << 8));
}

bool KindOf(const WAVEFORMATEX* block, SampleKind* kind) {
    const uint16_t tag = PlainTag(block);
    const uint32_t bits = block->wBitsPerSample;
    if (tag == kWaveFormatIeeeFloat) {
        *kind = SAMPLE_F32;
        return bits == 32;
    }
    if (tag != kWaveFormatPcm) {
        return false;
    }
    switch (bits) {
        case 8:
            *kind = SAMPLE_U8;
            return true;
        case 16:
            *kind = SAMPLE_S16;
            return true;
        case 24:
            *kind = SAMPLE_S24;
            return true;
        case 32:
            *kind = SAMPLE_S32;
            return true;
        default:
            return false;
    }
}

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
    SampleKind kind;
    if (block == nullptr || !KindOf(block, &kind)) {
        return false;
    }
    const uint32_t channels = block->nChannels;
    const uint32_t bytes = block->wBitsPerSample / 8;
    if (channels < 1 || channels > 8 || block->nBlockAlign != channels * bytes) {
        return false;
    }
    if (block->nSamplesPerSec < 100 || block->nSamplesPerSec > 200000) {
        return false;
    }
    if (bufferBytes < kEffectMinBytes || bufferBytes > kEffectMaxBytes) {
        return false;
    }
    const uint32_t frameBytes = block->nBlockAlign;
    out->channels = static_cast<int32_t>(channels);
    out->rate = static_cast<int32_t>(block->nSamplesPerSec);
    out->frames = bufferBytes / frameBytes;
    out->storedFrames = std::min(storedBytes, bufferBytes) / frameBytes;
    out->planar.assign(size_t(out->storedFrames) * channels, 0.0f);
    for (uint32_t frame = 0; frame < out->storedFrames; ++frame) {
        const uint8_t* at = data + size_t(frame) * frameBytes;
        for (uint32_t channel = 0; channel < channels; ++channel) {
            out->planar[size_t(channel) * out->storedFrames + frame] =
                Sample(kind, at + channel * bytes);
        }
    }
    return true;
}
