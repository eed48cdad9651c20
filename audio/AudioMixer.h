// The one sound output of the game: an SDL audio device at 44.1 kHz, 16-bit
// stereo, into which the effect slots and the music are mixed.
//
// The effect player owns the mixer and hands it to the music player as its
// shared device object; the music player registers itself as the music
// source. Mixing runs on SDL's audio thread; every change the game makes
// happens under the device lock, so the audio thread never sees half an
// update.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/WaveFile.h"

class CAudioMixer;

// Something that adds stereo float samples at 44.1 kHz into the mix.
class CMixerSource {
public:
    virtual ~CMixerSource() {}
    // Adds `frames` stereo frames into `stereo` (interleaved left/right).
    virtual void MixInto(float* stereo, int32_t frames) = 0;
    // The mixer this source is registered with is going away.
    virtual void OnMixerGone() = 0;
};

// How the device layer reads one effect's samples.
struct EffectFormat {
    SDL_AudioFormat format = 0;  // what the samples are fed to the converter as
    uint8_t channels = 0;
    int32_t rate = 0;
    uint32_t frameBytes = 0;  // bytes of one frame as stored in the file
    bool widen24 = false;     // 24-bit samples widened to 32 bits when fed
    uint8_t silence = 0;      // the byte value of silence as stored
};

// Describes a WAVE format block for the device layer; false for a format no
// effect may have (see WaveRules.h).
bool DescribeEffectFormat(const WAVEFORMATEX* block, EffectFormat* description);

// One whole effect in its file's own format, with its converter.
class CEffectBuffer {
public:
    // A buffer of `bufferBytes` in the block's format, of which the first
    // `storedBytes` are held in memory (the caller copies the samples in);
    // every byte past them plays as silence. Null if the device refuses the
    // format or the size.
    static std::unique_ptr<CEffectBuffer> Create(const WAVEFORMATEX* block, uint32_t bufferBytes,
                                                 uint32_t storedBytes);
    ~CEffectBuffer();
    CEffectBuffer(const CEffectBuffer&) = delete;
    CEffectBuffer& operator=(const CEffectBuffer&) = delete;

    // The held samples, prefilled with silence.
    uint8_t* Samples() { return samples.data(); }
    uint32_t StoredBytes() const { return static_cast<uint32_t>(samples.size()); }
    const EffectFormat& Format() const { return format; }

    // Rewinds and starts; stops. Both under the device lock.
    void Start();
    void Halt() { playing = false; }
    bool IsPlaying() const { return playing; }
    // Adds up to `frames` converted frames into `stereo`, using `scratch`
    // (room for 2 x frames floats); stops itself at the end.
    void MixInto(float* stereo, float* scratch, int32_t frames);

private:
    CEffectBuffer() = default;
    // Hands the next piece of the sample data (or, past its end, of silence)
    // to the converter.
    bool Feed();

    EffectFormat format;
    std::vector<uint8_t> samples;
    uint32_t totalBytes = 0;  // the whole buffer, in whole frames
    uint32_t fedBytes = 0;
    uint64_t outputFrames = 0;  // how long the effect lasts at the output rate
    uint64_t deliveredFrames = 0;
    SDL_AudioStream* stream = nullptr;
    bool playing = false;
};

class CAudioMixer {
public:
    static constexpr int32_t kRate = 44100;
    static constexpr int32_t kChannels = 2;
    // Frames mixed at a time.
    static constexpr int32_t kBlockFrames = 1024;
    CAudioMixer();
    ~CAudioMixer();
    CAudioMixer(const CAudioMixer&) = delete;
    CAudioMixer& operator=(const CAudioMixer&) = delete;

    // Starts SDL's audio subsystem and opens the default output device in
    // the primary format; mixing starts at once. False if either fails.
    bool Open();
    bool IsOpen() const { return device != 0; }

    // The device lock: the audio thread does not mix while it is held.
    void Lock();
    void Unlock();

    // Replaces the slot table by `count` empty slots (none if it cannot
    // be made).
    void SetSlotCount(int32_t count);
    bool IsSlot(int32_t slot) const { return slot >= 0 && slot < int32_t(slots.size()); }
    // Puts an effect into a slot, replacing what it held.
    void InstallEffect(int32_t slot, std::unique_ptr<CEffectBuffer> effect);
    bool HasEffect(int32_t slot) const { return IsSlot(slot) && slots[slot] != nullptr; }
    HRESULT PlayEffect(int32_t slot);
    HRESULT StopEffect(int32_t slot);
    bool IsEffectPlaying(int32_t slot);
    // Attenuation of the whole output in hundredths of a decibel, from 0
    // (full) to -10000 (silent).
    HRESULT SetVolume(int32_t level);
    // Registers the music (or null); the source must outlive its
    // registration or unregister itself.
    void SetMusicSource(CMixerSource* source);

    // Mixes `frames` frames of output, held at or below -1 dBFS; the audio
    // thread's work, public so that it can be driven without a device.
    void Render(int16_t* stereo, int32_t frames);
    // Frames of output mixed so far; while a block is being mixed, the
    // frames before it. Read under the device lock (or on the audio thread).
    uint64_t FramesRendered() const { return renderedFrames; }

private:
    static void SDLCALL AudioCallback(void* self, Uint8* stream, int length);
    // The call's result on the slot's effect, under the device lock; `none`
    // when the slot holds no effect.
    template <class TResult, class TCall>
    TResult WithEffect(int32_t slot, TResult none, TCall&& call);

    SDL_AudioDeviceID device = 0;
    bool subsystemStarted = false;
    std::vector<std::unique_ptr<CEffectBuffer>> slots;
    CMixerSource* music = nullptr;
    float gain = 1.0f;
    // The limiter's gain, 1 while the mix stays below its ceiling.
    float limit = 1.0f;
    uint64_t renderedFrames = 0;
    std::vector<float> mix;
    std::vector<float> scratch;
};

// The status of a volume outside 0..-10000, as the sound device reports it.
constexpr HRESULT kInvalidParam = static_cast<HRESULT>(0x80070057u);
