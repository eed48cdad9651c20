#include "audio/FluidSynthMusic.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "audio/DataFolder.h"
#include "devices/RegularFile.h"

namespace {

// How loud the synthesiser plays, leaving room for the effects.
constexpr double kSynthGain = 0.5;
// Frames rendered by the synthesiser at a time.
constexpr int32_t kRenderFrames = 1024;

// Where Debian installs General MIDI SoundFonts, in the order they are
// tried: the one the music was made with (timgm6mb-soundfont), the
// distribution's default (the default-GM alternative), then others.
const char* const kSoundFontPlaces[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
};

// Why the music cannot start when the synthesiser itself cannot be made.
constexpr const char* kNoSynthText = "音楽を鳴らせません";

}  // namespace

CFluidSynthMusic::CFluidSynthMusic() : CSequencedMusic(CAudioMixer::kRate) {
    const char* chosen = std::getenv(kSoundFontVariable);
    if (chosen != nullptr) {
        soundFont = chosen;
    }
}

CFluidSynthMusic::CFluidSynthMusic(std::string path)
    : CSequencedMusic(CAudioMixer::kRate), soundFont(std::move(path)) {}

CFluidSynthMusic::~CFluidSynthMusic() {
    // First leave the mixer, so that its audio thread no longer calls in.
    if (mixer != nullptr) {
        mixer->SetMusicSource(nullptr);
        mixer = nullptr;
    }
    std::lock_guard<std::recursive_mutex> guard(lock);
    sequencer.SetSlotCount(0);
    if (synth != nullptr) {
        delete_fluid_synth(synth);
        synth = nullptr;
    }
    if (settings != nullptr) {
        delete_fluid_settings(settings);
        settings = nullptr;
    }
}

bool CFluidSynthMusic::Init(HWND, void* soundDevice) {
    std::unique_lock<std::recursive_mutex> guard(lock);
    if (synth == nullptr) {
        // The game shows no log; a missing SoundFont is reported by the result
        // and named in the failure note.
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
            fluid_set_log_function(level, nullptr, nullptr);
        }
        settings = new_fluid_settings();
        if (settings == nullptr) {
            NoteFailure(kNoSynthText);
            return false;
        }
        fluid_settings_setnum(settings, "synth.sample-rate", CAudioMixer::kRate);
        fluid_settings_setnum(settings, "synth.gain", kSynthGain);
        // Every call into the synthesiser is made under this player's lock.
        fluid_settings_setint(settings, "synth.threadsafe-api", 0);
        synth = new_fluid_synth(settings);
        if (synth == nullptr) {
            NoteFailure(kNoSynthText);
            return false;
        }
        if (!LoadSoundFont()) {
            delete_fluid_synth(synth);
            synth = nullptr;
            return false;
        }
        try {
            scratch.assign(kRenderFrames * CAudioMixer::kChannels, 0.0f);
        } catch (const std::bad_alloc&) {
            delete_fluid_synth(synth);
            synth = nullptr;
            return false;
        }
    }
    ClearPlayingFlag();
    guard.unlock();
    auto* device = static_cast<CAudioMixer*>(soundDevice);
    if (device != nullptr && device != mixer) {
        if (mixer != nullptr) {
            mixer->SetMusicSource(nullptr);
        }
        mixer = device;
        mixer->SetMusicSource(this);
    }
    return true;
}

bool CFluidSynthMusic::LoadSoundFont() {
    // The synthesiser opens the file itself, and would wait on a pipe for
    // good: only a regular file (or a link to one) is handed to it.
    if (!soundFont.empty()) {
        if (CheckRegularFile(soundFont, FILE_LINKS_FOLLOWED) != FILE_READ_OK ||
            fluid_synth_sfload(synth, soundFont.c_str(), 1) == FLUID_FAILED) {
            NoteUnloadable(soundFont);
            return false;
        }
        return true;
    }
    const char* unloadable = nullptr;
    for (const char* place : kSoundFontPlaces) {
        if (CheckRegularFile(place, FILE_LINKS_FOLLOWED) != FILE_READ_OK) {
            continue;
        }
        if (fluid_synth_sfload(synth, place, 1) != FLUID_FAILED) {
            soundFont = place;
            return true;
        }
        if (unloadable == nullptr) {
            unloadable = place;
        }
    }
    if (unloadable != nullptr) {
        NoteUnloadable(unloadable);
    } else {
        NoteFailure("SoundFont がありません（timgm6mb-soundfont パッケージを入れてください）");
    }
    return false;
}

void CFluidSynthMusic::OnMixerGone() {
    mixer = nullptr;
}

std::string CFluidSynthMusic::FileFor(const char* path) const {
    return InDataFolder(dataFolder, path);
}

int64_t CFluidSynthMusic::FramesToNext() {
    return Locked([this] { return sequencer.TicksToNext(); });
}

void CFluidSynthMusic::SendEvent(const MidiEvent& event) {
    const int channel = event.status & 0x0F;
    switch (event.status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth, channel, event.data1);
            break;
        case 0x90:
            if (event.data2 == 0) {
                fluid_synth_noteoff(synth, channel, event.data1);
            } else {
                fluid_synth_noteon(synth, channel, event.data1, event.data2);
            }
            break;
        case 0xA0:
            fluid_synth_key_pressure(synth, channel, event.data1, event.data2);
            break;
        case 0xB0:
            fluid_synth_cc(synth, channel, event.data1, event.data2);
            break;
        case 0xC0:
            fluid_synth_program_change(synth, channel, event.data1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(synth, channel, event.data1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(synth, channel, event.data1 | (event.data2 << 7));
            break;
        default:
            break;
    }
}

void CFluidSynthMusic::ReleaseNotes(bool) {
    if (synth == nullptr) {
        return;
    }
    for (int channel = 0; channel < 16; ++channel) {
        // Lift the pedals first, or held notes would ring on.
        fluid_synth_cc(synth, channel, 64, 0);
        fluid_synth_cc(synth, channel, 66, 0);
        fluid_synth_all_notes_off(synth, channel);
    }
}

void CFluidSynthMusic::RenderSynth(float* stereo, int32_t frames) {
    while (frames > 0) {
        const int32_t block = std::min(frames, kRenderFrames);
        fluid_synth_write_float(synth, block, scratch.data(), 0, 2, scratch.data(), 1, 2);
        const int32_t count = block * CAudioMixer::kChannels;
        for (int32_t i = 0; i < count; ++i) {
            stereo[i] += scratch[i];
        }
        stereo += count;
        frames -= block;
    }
}

void CFluidSynthMusic::MixInto(float* stereo, int32_t frames) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (synth == nullptr) {
        return;
    }
    // Between two due frames the synthesiser renders; when nothing is
    // sequenced, released notes ring out.
    sequencer.Run(frames, [&](int64_t take) {
        RenderSynth(stereo, static_cast<int32_t>(take));
        stereo += take * CAudioMixer::kChannels;
    });
}
