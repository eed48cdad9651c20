#include "audio/DSSound.h"

#include <cstring>

#include "audio/WaveFileMmio.h"
#include "audio/WaveRules.h"

namespace {

// The first buffer description, which every DirectSound version accepts: 20
// bytes in the 32-bit program, 24 in the 64-bit one (it holds a pointer).
static_assert(sizeof(DSBUFFERDESC1) == (sizeof(void*) == 4 ? 20 : 24),
              "DirectSound buffer description size");

constexpr DWORD kPrimaryFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME;
constexpr DWORD kEffectFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME |
                               DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
static_assert(kPrimaryFlags == 0x81 && kEffectFlags == 0x180E0, "buffer flags");
// Stereo speakers at the wide (20 degree) geometry.
constexpr DWORD kSpeakerConfig = 0x00140004;

}  // namespace

CDSSound::CDSSound()
    : deviceGuid(nullptr), directSound(nullptr), primaryBuffer(nullptr), slots(nullptr) {}

CDSSound::~CDSSound() {
    // The buffers belong to the DirectSound object and go with it.
    if (directSound != nullptr) {
        directSound->Release();
        directSound = nullptr;
        primaryBuffer = nullptr;
    }
    if (slots != nullptr) {
        GlobalFree(slots);
        slots = nullptr;
    }
}

bool CDSSound::Init(HWND window) {
    if (DirectSoundCreate(deviceGuid, &directSound, nullptr) != DS_OK) {
        directSound = nullptr;
        return false;
    }
    if (directSound->SetCooperativeLevel(window, DSSCL_NORMAL) != DS_OK) {
        return false;
    }
    directSound->SetSpeakerConfig(kSpeakerConfig);

    DSBUFFERDESC1 desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    desc.dwFlags = kPrimaryFlags;
    if (FAILED(directSound->CreateSoundBuffer(reinterpret_cast<LPCDSBUFFERDESC>(&desc),
                                              &primaryBuffer, nullptr))) {
        primaryBuffer = nullptr;
        return false;
    }

    WAVEFORMATEX format;
    std::memset(&format, 0, sizeof(format));
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 176400;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    format.cbSize = 0;
    primaryBuffer->SetFormat(&format);
    return true;
}

bool CDSSound::LoadWave(const char* path, int32_t slot) {
    if (directSound == nullptr || slots == nullptr) {
        return false;
    }
    DWORD size = 0;
    const EffectLoadResult result = LoadEffect(
        g_waveFile, path,
        [&](WAVEFORMATEX* format, uint32_t dataBytes) {
            size = dataBytes;
            DSBUFFERDESC1 desc;
            std::memset(&desc, 0, sizeof(desc));
            desc.dwSize = sizeof(desc);
            desc.dwFlags = kEffectFlags;
            desc.dwBufferBytes = size;
            desc.lpwfxFormat = format;
            // A buffer the slot already held is given back first.
            if (slots[slot] != nullptr) {
                slots[slot]->Release();
                slots[slot] = nullptr;
            }
            if (FAILED(directSound->CreateSoundBuffer(reinterpret_cast<LPCDSBUFFERDESC>(&desc),
                                                      &slots[slot], nullptr))) {
                slots[slot] = nullptr;
                return false;
            }
            return true;
        },
        [&](CWaveFile& reader) {
            IDirectSoundBuffer* buffer = slots[slot];
            void* part1 = nullptr;
            void* part2 = nullptr;
            DWORD size1 = 0;
            DWORD size2 = 0;
            HRESULT locked = buffer->Lock(0, size, &part1, &size1, &part2, &size2, 0);
            if (locked == DSERR_BUFFERLOST) {
                buffer->Restore();
                locked = buffer->Lock(0, size, &part1, &size1, &part2, &size2, 0);
            }
            if (SUCCEEDED(locked)) {
                uint32_t got = 0;
                reader.Read(size1, static_cast<BYTE*>(part1), &got);
                if (size2 != 0) {
                    reader.Read(size2, static_cast<BYTE*>(part2), &got);
                }
                buffer->Unlock(part1, size1, part2, size2);
            }
        });
    if (result != EFFECT_LOADED) {
        NoteUnloadable(path);
        return false;
    }
    return true;
}

HRESULT CDSSound::Play(int32_t slot) {
    IDirectSoundBuffer* buffer = slots != nullptr ? slots[slot] : nullptr;
    if (buffer == nullptr) {
        return kStatusFail;
    }
    // Rewinding cuts a sound still playing: one slot never sounds twice.
    buffer->SetCurrentPosition(0);
    return buffer->Play(0, 0, 0);
}

HRESULT CDSSound::Stop(int32_t slot) {
    IDirectSoundBuffer* buffer = slots != nullptr ? slots[slot] : nullptr;
    if (buffer == nullptr) {
        return kStatusFail;
    }
    return buffer->Stop();
}

HRESULT CDSSound::SetVolume(int32_t level) {
    if (primaryBuffer == nullptr) {
        return kStatusFail;
    }
    return primaryBuffer->SetVolume(level);
}

void CDSSound::SetSlotCount(int32_t count) {
    if (count < 0) {
        return;
    }
    if (slots != nullptr) {
        GlobalFree(slots);
        slots = nullptr;
    }
    slots = static_cast<IDirectSoundBuffer**>(
        GlobalAlloc(GMEM_ZEROINIT, static_cast<SIZE_T>(count) * sizeof(IDirectSoundBuffer*)));
}

void* CDSSound::GetDirectSound() {
    return directSound;
}
