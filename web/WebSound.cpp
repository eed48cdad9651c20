#include "web/WebSound.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "audio/WaveFile.h"
#include "devices/GameNumbers.h"
#include "web/EffectSamples.h"
#include "web/WebBindings.h"

namespace {

// The status of a volume outside 0..-10000, as the sound device reports it.
constexpr HRESULT kInvalidParam = static_cast<HRESULT>(0x80070057u);

}  // namespace

bool CWebSound::Init(HWND) {
    audio = web_audio_available() != 0;
    ready = true;
    return true;
}

bool CWebSound::LoadWave(const char* path, int32_t slot) {
    if (!ready || !IsSlot(slot)) {
        return false;
    }
    // The buffer is as long as the data chunk says; only what the file
    // really holds is read, and the rest plays as silence.
    uint32_t bufferBytes = 0;
    std::vector<uint8_t> data;
    uint32_t read = 0;
    const EffectLoadResult result = LoadEffect(
        g_waveFile, path,
        [&](const WAVEFORMATEX*, uint32_t dataBytes) {
            bufferBytes = dataBytes;
            data.resize(std::min(g_waveFile.DataBytesInFile(), kEffectMaxBytes));
            return true;
        },
        [&](CWaveFile& reader) {
            reader.Read(static_cast<uint32_t>(data.size()), data.data(), &read);
        });
    CEffectSamples samples;
    if (result != EFFECT_LOADED ||
        !ConvertEffectSamples(g_waveFile.format, data.data(), read, bufferBytes, &samples)) {
        return false;
    }
    if (!audio) {
        return true;
    }
    return web_effect_load(slot, samples.planar.data(), samples.channels, samples.storedFrames,
                           samples.frames, samples.rate) != 0;
}

HRESULT CWebSound::Play(int32_t slot) {
    if (!IsSlot(slot)) {
        return kStatusFail;
    }
    web_effect_play(slot);
    return 0;
}

HRESULT CWebSound::Stop(int32_t slot) {
    if (!IsSlot(slot)) {
        return kStatusFail;
    }
    web_effect_stop(slot);
    return 0;
}

HRESULT CWebSound::SetVolume(int32_t level) {
    if (level > 0 || level < -10000) {
        return kInvalidParam;
    }
    web_set_volume(level == -10000 ? 0.0 : std::pow(10.0, level / 2000.0));
    return 0;
}

void CWebSound::SetSlotCount(int32_t count) {
    if (count < 0) {
        return;
    }
    slotCount = count <= kMaxPlayerSlots ? count : 0;
    web_effect_slots(slotCount);
}

void* CWebSound::GetDirectSound() {
    return ready ? this : nullptr;
}
