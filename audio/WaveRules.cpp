#include "audio/WaveRules.h"

#include <cstring>

namespace {

// The sub-format ids of the extensible form end like this; their first two
// bytes are the plain format tag: {xxxxxxxx-0000-0010-8000-00aa00389b71}.
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

// Sample rates an effect may have.
constexpr uint32_t kMinRate = 100;
constexpr uint32_t kMaxRate = 200000;

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

}  // namespace

bool DescribeWaveFormat(const WAVEFORMATEX* block, WaveFacts* facts) {
    if (block == nullptr) {
        return false;
    }
    const uint16_t tag = PlainTag(block);
    const uint32_t bits = block->wBitsPerSample;
    WaveFacts result;
    if (tag == kWaveFormatIeeeFloat && bits == 32) {
        result.kind = SAMPLE_F32;
    } else if (tag != kWaveFormatPcm) {
        return false;
    } else if (bits == 8) {
        result.kind = SAMPLE_U8;
    } else if (bits == 16) {
        result.kind = SAMPLE_S16;
    } else if (bits == 24) {
        result.kind = SAMPLE_S24;
    } else if (bits == 32) {
        result.kind = SAMPLE_S32;
    } else {
        return false;
    }
    result.channels = block->nChannels;
    result.rate = block->nSamplesPerSec;
    result.sampleBytes = bits / 8;
    result.frameBytes = block->nBlockAlign;
    if (result.channels < 1 || result.channels > 8 || result.rate < kMinRate ||
        result.rate > kMaxRate || result.frameBytes != result.channels * result.sampleBytes) {
        return false;
    }
    *facts = result;
    return true;
}
