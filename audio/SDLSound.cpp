#include "audio/SDLSound.h"

#include <SDL.h>

#include <new>
#include <string>

#include "audio/AudioMixer.h"
#include "audio/DataFolder.h"
#include "audio/WaveFile.h"

CSDLSound::CSDLSound() : mixer(new (std::nothrow) CAudioMixer) {}

CSDLSound::~CSDLSound() {
    delete mixer;
}

bool CSDLSound::Init(HWND) {
    // Ctrl+C and a session's end must reach the program, not stop in SDL.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (mixer == nullptr || !mixer->Open()) {
        NoteFailure(std::string("音声を出力できません（") + SDL_GetError() + "）");
        return false;
    }
    return true;
}

bool CSDLSound::LoadWave(const char* path, int32_t slot) {
    if (mixer == nullptr || !mixer->IsSlot(slot)) {
        return false;
    }
    const std::string file = InDataFolder(dataFolder, path);
    std::unique_ptr<CEffectBuffer> effect;
    const EffectLoadResult result = LoadEffect(
        g_waveFile, file.c_str(),
        [&](const WAVEFORMATEX* format, uint32_t bufferBytes) {
            // The buffer is as long as the data chunk says; only what the
            // file really holds is kept in memory, and the rest plays as
            // silence.
            if (mixer->IsOpen()) {
                effect = CEffectBuffer::Create(format, bufferBytes, g_waveFile.DataBytesInFile());
            }
            return effect != nullptr;
        },
        [&](CWaveFile& reader) {
            // A short read leaves the silence the buffer was filled with.
            uint32_t read = 0;
            reader.Read(effect->StoredBytes(), effect->Samples(), &read);
        });
    if (result != EFFECT_LOADED) {
        NoteUnloadable(file);
        return false;
    }
    mixer->InstallEffect(slot, std::move(effect));
    return true;
}

HRESULT CSDLSound::Play(int32_t slot) {
    return mixer != nullptr ? mixer->PlayEffect(slot) : kStatusFail;
}

HRESULT CSDLSound::Stop(int32_t slot) {
    return mixer != nullptr ? mixer->StopEffect(slot) : kStatusFail;
}

HRESULT CSDLSound::SetVolume(int32_t level) {
    return mixer != nullptr ? mixer->SetVolume(level) : kStatusFail;
}

void CSDLSound::SetSlotCount(int32_t count) {
    if (mixer != nullptr) {
        mixer->SetSlotCount(count);
    }
}

void* CSDLSound::GetDirectSound() {
    return mixer != nullptr && mixer->IsOpen() ? mixer : nullptr;
}

bool CSDLSound::IsPlaying(int32_t slot) {
    return mixer != nullptr && mixer->IsEffectPlaying(slot);
}
