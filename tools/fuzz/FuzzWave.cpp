// Feeds arbitrary files to the WAV reader and plays what it accepts through
// the mixer's converter, as the effect player would.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "FuzzFile.h"
#include "audio/AudioMixer.h"
#include "audio/WaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = WriteInput("fuzz-wave", data, size);
    if (path == nullptr || g_waveFile.Open(path) != kWaveOk) {
        return 0;
    }
    // Read in uneven pieces, then start over and load it as an effect.
    std::vector<uint8_t> piece(97);
    uint32_t read = 0;
    for (int i = 0; i < 4; ++i) {
        g_waveFile.Read(static_cast<uint32_t>(piece.size()), piece.data(), &read);
    }
    g_waveFile.Reset();
    const uint32_t bytes = g_waveFile.dataChunk.cksize;
    const uint32_t stored =
        static_cast<uint32_t>(std::min<uint64_t>(bytes, g_waveFile.BytesLeftInFile()));
    auto effect = CEffectBuffer::Create(g_waveFile.format, bytes, stored);
    if (effect != nullptr) {
        g_waveFile.Read(effect->StoredBytes(), effect->Samples(), &read);
    }
    g_waveFile.Close();
    if (effect != nullptr) {
        CAudioMixer mixer;
        mixer.SetSlotCount(1);
        mixer.InstallEffect(0, std::move(effect));
        mixer.PlayEffect(0);
        std::vector<int16_t> out(2 * 2048);
        mixer.Render(out.data(), 2048);
    }
    return 0;
}
