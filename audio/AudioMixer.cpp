#include "audio/AudioMixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "audio/SlotTable.h"

namespace {

// Bytes of source data handed to a converter at a time.
constexpr uint32_t kFeedBytes = 4096;

// The output never goes above -1 dBFS (29203 of 32767): a peak that would go
// over pulls the gain of both channels down at once, just far enough, and the
// gain comes back over about 50 ms. Below the ceiling the mix passes as it is.
constexpr float kCeiling = 29203.0f / 32767.0f;
constexpr float kRelease = 1.0f / (0.05f * CAudioMixer::kRate);

int16_t ToSample(float value) {
    return static_cast<int16_t>(std::lrint(std::clamp(value * 32767.0f, -32768.0f, 32767.0f)));
}

}  // namespace

bool DescribeEffectFormat(const WAVEFORMATEX* block, EffectFormat* description) {
    WaveFacts facts;
    if (!DescribeWaveFormat(block, &facts)) {
        return false;
    }
    EffectFormat result;
    switch (facts.kind) {
        case SAMPLE_U8:
            result.format = AUDIO_U8;
            result.silence = 0x80;
            break;
        case SAMPLE_S16:
            result.format = AUDIO_S16LSB;
            break;
        case SAMPLE_S24:
            result.format = AUDIO_S32LSB;
            result.widen24 = true;
            break;
        case SAMPLE_S32:
            result.format = AUDIO_S32LSB;
            break;
        case SAMPLE_F32:
            result.format = AUDIO_F32LSB;
            break;
    }
    result.channels = static_cast<uint8_t>(facts.channels);
    result.rate = static_cast<int32_t>(facts.rate);
    result.frameBytes = facts.frameBytes;
    *description = result;
    return true;
}

// ---------------------------------------------------------------------------
// CEffectBuffer

std::unique_ptr<CEffectBuffer> CEffectBuffer::Create(const WAVEFORMATEX* block,
                                                     uint32_t bufferBytes, uint32_t storedBytes) {
    if (!IsEffectSize(bufferBytes)) {
        return nullptr;
    }
    std::unique_ptr<CEffectBuffer> effect(new (std::nothrow) CEffectBuffer);
    if (effect == nullptr || !DescribeEffectFormat(block, &effect->format)) {
        return nullptr;
    }
    const EffectFormat& format = effect->format;
    effect->stream = SDL_NewAudioStream(format.format, format.channels, format.rate, AUDIO_F32SYS,
                                        CAudioMixer::kChannels, CAudioMixer::kRate);
    if (effect->stream == nullptr) {
        return nullptr;
    }
    effect->totalBytes = bufferBytes - bufferBytes % format.frameBytes;
    // The effect lasts as long at the output rate as at its own.
    const uint64_t frames = effect->totalBytes / format.frameBytes;
    effect->outputFrames = (frames * CAudioMixer::kRate + format.rate / 2) / format.rate;
    try {
        // Whatever the file does not fill stays silent.
        effect->samples.assign(std::min(storedBytes, bufferBytes), format.silence);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return effect;
}

CEffectBuffer::~CEffectBuffer() {
    if (stream != nullptr) {
        SDL_FreeAudioStream(stream);
    }
}

void CEffectBuffer::Start() {
    SDL_AudioStreamClear(stream);
    fedBytes = 0;
    deliveredFrames = 0;
    playing = true;
}

bool CEffectBuffer::Feed() {
    // 24-bit frames grow to 32 bits, so the widened chunk is 4/3 as long.
    uint8_t piece[kFeedBytes * 4 / 3 + 64];
    uint32_t chunk = kFeedBytes - kFeedBytes % format.frameBytes;
    const bool padding = fedBytes >= totalBytes;
    if (!padding) {
        chunk = std::min(chunk, totalBytes - fedBytes);
    }
    const uint32_t stored = static_cast<uint32_t>(samples.size());
    for (uint32_t i = 0; i < chunk; ++i) {
        const uint32_t at = fedBytes + i;
        const uint8_t byte = !padding && at < stored ? samples[at] : format.silence;
        if (format.widen24) {
            // Each 3-byte sample becomes the top three bytes of a 4-byte one.
            const uint32_t sample = i / 3;
            const uint32_t part = i % 3;
            if (part == 0) {
                piece[sample * 4] = 0;
            }
            piece[sample * 4 + 1 + part] = byte;
        } else {
            piece[i] = byte;
        }
    }
    const uint32_t length = format.widen24 ? chunk / 3 * 4 : chunk;
    if (!padding) {
        fedBytes += chunk;
    }
    return SDL_AudioStreamPut(stream, piece, static_cast<int>(length)) == 0;
}

void CEffectBuffer::MixInto(float* stereo, float* scratch, int32_t frames) {
    const uint64_t left = outputFrames - deliveredFrames;
    if (uint64_t(frames) > left) {
        frames = static_cast<int32_t>(left);
    }
    constexpr int kFrameBytes = CAudioMixer::kChannels * static_cast<int>(sizeof(float));
    const int wanted = frames * kFrameBytes;
    int got = 0;
    int paddingFeeds = 0;
    uint8_t* into = reinterpret_cast<uint8_t*>(scratch);
    while (got < wanted) {
        if (SDL_AudioStreamAvailable(stream) > 0) {
            const int read = SDL_AudioStreamGet(stream, into + got, wanted - got);
            if (read <= 0) {
                break;
            }
            got += read;
        } else {
            // Past the samples the converter is given silence: it holds back
            // the end of the data until more comes.
            if (fedBytes >= totalBytes && ++paddingFeeds > 64) {
                break;
            }
            if (!Feed()) {
                break;
            }
        }
    }
    got -= got % kFrameBytes;
    deliveredFrames += static_cast<uint64_t>(got / kFrameBytes);
    if (got < wanted || deliveredFrames >= outputFrames) {
        playing = false;
    }
    const int samplesGot = got / static_cast<int>(sizeof(float));
    for (int i = 0; i < samplesGot; ++i) {
        stereo[i] += scratch[i];
    }
}

// ---------------------------------------------------------------------------
// CAudioMixer

CAudioMixer::CAudioMixer() {
    mix.resize(kBlockFrames * kChannels);
    scratch.resize(kBlockFrames * kChannels);
}

CAudioMixer::~CAudioMixer() {
    if (device != 0) {
        SDL_CloseAudioDevice(device);
        device = 0;
    }
    if (music != nullptr) {
        music->OnMixerGone();
        music = nullptr;
    }
    slots.clear();
    if (subsystemStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool CAudioMixer::Open() {
    if (device != 0) {
        return true;
    }
    if (!subsystemStarted) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            // No sound system at all on this machine: the game plays on in
            // silence through SDL's silent driver rather than not at all.
            SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
            if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
                return false;
            }
        }
        subsystemStarted = true;
    }
    SDL_AudioSpec wanted;
    SDL_zero(wanted);
    wanted.freq = kRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = kChannels;
    wanted.samples = kBlockFrames;
    wanted.callback = &CAudioMixer::AudioCallback;
    wanted.userdata = this;
    // No changes allowed: SDL converts to whatever the hardware wants.
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (device == 0 && SDL_AudioInit("dummy") == 0) {
        // A sound system without a usable output (no card, no server):
        // likewise, silence instead of refusing to start.
        device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    }
    if (device == 0) {
        return false;
    }
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void CAudioMixer::Lock() {
    if (device != 0) {
        SDL_LockAudioDevice(device);
    }
}

void CAudioMixer::Unlock() {
    if (device != 0) {
        SDL_UnlockAudioDevice(device);
    }
}

void CAudioMixer::SetSlotCount(int32_t count) {
    if (count < 0) {
        return;
    }
    auto table = NewSlotTable<std::unique_ptr<CEffectBuffer>>(count);
    Lock();
    slots.swap(table);
    Unlock();
    // The old effects go outside the lock.
}

void CAudioMixer::InstallEffect(int32_t slot, std::unique_ptr<CEffectBuffer> effect) {
    if (!IsSlot(slot)) {
        return;
    }
    Lock();
    slots[slot].swap(effect);
    Unlock();
}

template <class TResult, class TCall>
TResult CAudioMixer::WithEffect(int32_t slot, TResult none, TCall&& call) {
    if (!HasEffect(slot)) {
        return none;
    }
    Lock();
    const TResult result = call(*slots[slot]);
    Unlock();
    return result;
}

HRESULT CAudioMixer::PlayEffect(int32_t slot) {
    return WithEffect(slot, kStatusFail, [](CEffectBuffer& effect) { return effect.Start(), 0; });
}

HRESULT CAudioMixer::StopEffect(int32_t slot) {
    return WithEffect(slot, kStatusFail, [](CEffectBuffer& effect) { return effect.Halt(), 0; });
}

bool CAudioMixer::IsEffectPlaying(int32_t slot) {
    return WithEffect(slot, false, [](CEffectBuffer& effect) { return effect.IsPlaying(); });
}

HRESULT CAudioMixer::SetVolume(int32_t level) {
    if (level > 0 || level < -10000) {
        return kInvalidParam;
    }
    float value = level == -10000 ? 0.0f : static_cast<float>(std::pow(10.0, level / 2000.0));
    Lock();
    gain = value;
    Unlock();
    return 0;
}

void CAudioMixer::SetMusicSource(CMixerSource* source) {
    Lock();
    music = source;
    Unlock();
}

void CAudioMixer::Render(int16_t* stereo, int32_t frames) {
    while (frames > 0) {
        const int32_t block = std::min(frames, kBlockFrames);
        const int32_t count = block * kChannels;
        std::fill(mix.begin(), mix.begin() + count, 0.0f);
        for (auto& effect : slots) {
            if (effect != nullptr && effect->IsPlaying()) {
                effect->MixInto(mix.data(), scratch.data(), block);
            }
        }
        if (music != nullptr) {
            music->MixInto(mix.data(), block);
        }
        for (int32_t i = 0; i < count; i += kChannels) {
            const float left = mix[i] * gain;
            const float right = mix[i + 1] * gain;
            if (limit < 1.0f) {
                // Back toward 1, aiming a little past it so as to get there.
                limit = std::min(1.0f, limit + (1.0f - limit + 1e-3f) * kRelease);
            }
            const float peak = std::max(std::fabs(left), std::fabs(right));
            if (peak * limit > kCeiling) {
                limit = kCeiling / peak;
            }
            stereo[i] = ToSample(left * limit);
            stereo[i + 1] = ToSample(right * limit);
        }
        stereo += count;
        frames -= block;
        renderedFrames += static_cast<uint64_t>(block);
    }
}

void SDLCALL CAudioMixer::AudioCallback(void* self, Uint8* stream, int length) {
    // SDL holds the device lock while it calls this.
    auto* mixer = static_cast<CAudioMixer*>(self);
    const int frameBytes = kChannels * static_cast<int>(sizeof(int16_t));
    mixer->Render(reinterpret_cast<int16_t*>(stream), length / frameBytes);
}
