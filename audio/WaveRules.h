// The rules of the effects, the same in every form: which WAVE formats an
// effect may have and how large its buffer may be, and the steps every effect
// player loads a file with.
#pragma once

#include <cstdint>

#include "devices/DeviceTypes.h"

#if defined(_WIN32)
#include <mmreg.h>
#include <mmsystem.h>
#else
// The format block handed to the sound device: 18 bytes, followed by
// cbSize extra bytes for formats other than plain PCM.
#pragma pack(push, 1)
struct WAVEFORMATEX {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
};
#pragma pack(pop)
#endif
static_assert(sizeof(WAVEFORMATEX) == 18, "the format block head is 18 bytes");

constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint16_t kWaveFormatIeeeFloat = 3;
constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// Limits of one effect buffer in bytes, as the sound device has them.
constexpr uint32_t kEffectMinBytes = 4;
constexpr uint32_t kEffectMaxBytes = 0x0FFFFFFF;

// How the samples of an effect are stored.
enum SampleKind {
    SAMPLE_U8,   // 8-bit unsigned
    SAMPLE_S16,  // 16-bit signed, little-endian
    SAMPLE_S24,  // 24-bit signed, little-endian, in 3 bytes
    SAMPLE_S32,  // 32-bit signed, little-endian
    SAMPLE_F32,  // 32-bit float
};

struct WaveFacts {
    SampleKind kind = SAMPLE_S16;
    uint32_t channels = 0;
    uint32_t rate = 0;
    uint32_t sampleBytes = 0;
    uint32_t frameBytes = 0;
};

// The formats an effect may have: PCM of 8, 16, 24 or 32 bits and 32-bit
// floats, plain or in the extensible form, with 1 to 8 channels at 100 Hz to
// 200 kHz, whole samples to a frame. False for anything else (a compressed
// format, an odd block size, ...).
bool DescribeWaveFormat(const WAVEFORMATEX* block, WaveFacts* facts);
// Whether an effect buffer may be that large.
inline bool IsEffectSize(uint32_t bytes) {
    return bytes >= kEffectMinBytes && bytes <= kEffectMaxBytes;
}

enum EffectLoadResult {
    EFFECT_LOADED,
    EFFECT_UNREADABLE,  // no WAVE file the reader can open
    EFFECT_REFUSED,     // the player made no buffer for it
};

// Loads one effect through the shared reader `reader` (g_waveFile): opens the
// file, has `make(format, dataBytes)` make the slot's buffer for the whole
// "data" chunk in the file's format (false: none was made), has
// `fill(reader)` copy the samples in, and closes the file. Once the buffer
// exists the load counts, however few samples reached it.
template <class TReader, class TMake, class TFill>
EffectLoadResult LoadEffect(TReader& reader, const char* path, TMake&& make, TFill&& fill) {
    if (reader.Open(path) != 0) {
        return EFFECT_UNREADABLE;
    }
    if (!make(reader.format, static_cast<uint32_t>(reader.dataChunk.cksize))) {
        reader.Close();
        return EFFECT_REFUSED;
    }
    fill(reader);
    reader.Close();
    return EFFECT_LOADED;
}
