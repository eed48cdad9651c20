#include "audio/FluidSynthMusic.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "audio/DataFolder.h"

namespace {

// How loud the synthesiser plays, leaving room for the effects.
constexpr double kSynthGain = 0.5;
// Frames rendered by the synthesiser at a time.
constexpr int32_t kRenderFrames = 1024;
// The most slots a table may have; a larger count is treated as a table
// that could not be allocated.
constexpr int32_t kMaxSlots = 4096;
// Steps in a row that render no frame before the sequencer gives up.
constexpr int32_t kMaxIdleSteps = 1 << 20;

// How far below a whole frame a computed time may fall by rounding and still
// count as that frame.
constexpr double kFrameSlack = 1e-4;

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

CFluidSynthMusic::CFluidSynthMusic() {
    const char* chosen = std::getenv(kSoundFontVariable);
    if (chosen != nullptr) {
        soundFont = chosen;
    }
}

CFluidSynthMusic::CFluidSynthMusic(std::string path) : soundFont(std::move(path)) {}

CFluidSynthMusic::~CFluidSynthMusic() {
    // First leave the mixer, so that its audio thread no longer calls in.
    if (mixer != nullptr) {
        mixer->SetMusicSource(nullptr);
        mixer = nullptr;
    }
    std::lock_guard<std::recursive_mutex> guard(lock);
    StopSequencer();
    slots.clear();
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
        // The game shows no log; a missing SoundFont is reported by the result.
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
    playingFlag = false;
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
    if (!soundFont.empty()) {
        if (fluid_synth_sfload(synth, soundFont.c_str(), 1) == FLUID_FAILED) {
            NoteUnloadable(soundFont);
            return false;
        }
        return true;
    }
    const char* unloadable = nullptr;
    for (const char* place : kSoundFontPlaces) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(place, error)) {
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

void CFluidSynthMusic::SetSlotCount(int32_t count) {
    if (count < 0) {
        return;
    }
    std::vector<Slot> table;
    if (count <= kMaxSlots) {
        try {
            table.resize(static_cast<size_t>(count));
        } catch (const std::bad_alloc&) {
            table.clear();
        }
    }
    std::lock_guard<std::recursive_mutex> guard(lock);
    StopSequencer();
    slots.swap(table);
    slotCount = static_cast<int32_t>(slots.size());
}

bool CFluidSynthMusic::Load(const char* path, int32_t slot) {
    std::unique_lock<std::recursive_mutex> guard(lock);
    if (!IsSlot(slot)) {
        return false;
    }
    if (currentSlot == slot) {
        StopSequencer();
    }
    slots[slot] = Slot();
    if (synth == nullptr) {
        return true;
    }
    guard.unlock();
    // The file is read outside the lock; the music goes on meanwhile.
    std::unique_ptr<MidiPiece> piece(new (std::nothrow) MidiPiece);
    const std::string file = InDataFolder(dataFolder, path);
    if (piece == nullptr || !LoadMidiFile(file.c_str(), piece.get())) {
        NoteUnloadable(file);
        return false;
    }
    guard.lock();
    if (!IsSlot(slot)) {
        return false;
    }
    if (currentSlot == slot) {
        StopSequencer();
    }
    slots[slot] = Slot();
    slots[slot].piece = std::move(piece);
    slots[slot].loopState = ChannelStateBefore(*slots[slot].piece, 0);
    return true;
}

void CFluidSynthMusic::SetLoop(int32_t slot, int32_t repeats, int32_t loopStart) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (!IsSlot(slot) || slots[slot].piece == nullptr) {
        return;
    }
    Slot& entry = slots[slot];
    const int32_t length = entry.piece->length;
    const int64_t loopEnd = int64_t(length) - kLoopEndMargin;
    // Loop points must lie inside the piece, the start before the end.
    if (loopStart >= 0 && loopStart < loopEnd && loopEnd <= length) {
        entry.loopStart = loopStart;
        entry.loopEnd = static_cast<int32_t>(loopEnd);
        entry.loopState = ChannelStateBefore(*entry.piece, loopStart);
    }
    entry.repeats = static_cast<uint32_t>(repeats);
}

void CFluidSynthMusic::Play(int32_t slot) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (playingFlag) {
        return;
    }
    if (!IsSlot(slot) || slots[slot].piece == nullptr || synth == nullptr) {
        return;
    }
    // The new piece replaces whatever still sounds.
    StopSequencer();
    const Slot& entry = slots[slot];
    for (const MidiEvent& event : ChannelStateBefore(*entry.piece, 0)) {
        Send(event);
    }
    current = &entry;
    currentSlot = slot;
    anchorTime = 0;
    anchorFrame = 0;
    tempo = kDefaultTempo;
    nextEvent = 0;
    repeatsLeft = entry.repeats;
    playedFrames = 0;
    lastJumpFrame = -1;
    playingFlag = true;
}

void CFluidSynthMusic::Noop(int32_t) {}

HRESULT CFluidSynthMusic::Stop(int32_t slot) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    HRESULT result = kStatusFail;
    if (synth != nullptr) {
        // An empty slot names no piece, which stops all music.
        const bool emptySlot = !IsSlot(slot) || slots[slot].piece == nullptr;
        if (emptySlot || slot == currentSlot) {
            StopSequencer();
        }
        result = 0;
    }
    playingFlag = false;
    return result;
}

bool CFluidSynthMusic::IsPlayingFlagSet() {
    std::lock_guard<std::recursive_mutex> guard(lock);
    return playingFlag;
}

int32_t CFluidSynthMusic::Position() {
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (current == nullptr) {
        return -1;
    }
    const double units = (double(playedFrames) - anchorFrame) * kMusicTimePerQuarter * 1e6 /
                         (double(tempo) * CAudioMixer::kRate);
    return anchorTime + static_cast<int32_t>(units);
}

int32_t CFluidSynthMusic::SequencedSlot() {
    std::lock_guard<std::recursive_mutex> guard(lock);
    return currentSlot;
}

int64_t CFluidSynthMusic::LastJumpFrame() {
    std::lock_guard<std::recursive_mutex> guard(lock);
    return current != nullptr ? lastJumpFrame : -1;
}

bool CFluidSynthMusic::GetLoop(int32_t slot, int32_t* loopStart, int32_t* loopEnd,
                               uint32_t* repeats) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (!IsSlot(slot) || slots[slot].piece == nullptr) {
        return false;
    }
    *loopStart = slots[slot].loopStart;
    *loopEnd = slots[slot].loopEnd;
    *repeats = slots[slot].repeats;
    return true;
}

void CFluidSynthMusic::Send(const MidiEvent& event) {
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

void CFluidSynthMusic::ReleaseNotes() {
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

void CFluidSynthMusic::StopSequencer() {
    if (current != nullptr) {
        ReleaseNotes();
    }
    current = nullptr;
    currentSlot = -1;
    anchorTime = 0;
    anchorFrame = 0;
    nextEvent = 0;
    repeatsLeft = 0;
}

double CFluidSynthMusic::FrameAt(int32_t time) const {
    return anchorFrame + double(time - anchorTime) * double(tempo) * CAudioMixer::kRate /
                             (double(kMusicTimePerQuarter) * 1e6);
}

int64_t CFluidSynthMusic::DueFrame(int32_t time) const {
    return static_cast<int64_t>(std::ceil(FrameAt(time) - kFrameSlack));
}

void CFluidSynthMusic::JumpToLoopStart(int32_t loopEnd) {
    ReleaseNotes();
    const MidiPiece& piece = *current->piece;
    for (const MidiEvent& event : current->loopState) {
        Send(event);
    }
    // The loop start takes the loop end's exact time, fraction of a frame
    // and all, so that no pass is longer than the music says.
    anchorFrame = FrameAt(loopEnd);
    anchorTime = current->loopStart;
    tempo = TempoBefore(piece, current->loopStart);
    auto first =
        std::lower_bound(piece.events.begin(), piece.events.end(), current->loopStart,
                         [](const MidiEvent& event, int32_t time) { return event.time < time; });
    nextEvent = static_cast<size_t>(first - piece.events.begin());
    --repeatsLeft;
    lastJumpFrame = playedFrames;
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
    // Steps that render nothing (events, jumps) are bounded, whatever a
    // piece's tempo and loop points: a piece that would spin is stopped.
    int32_t idleSteps = 0;
    while (frames > 0) {
        if (++idleSteps > kMaxIdleSteps) {
            StopSequencer();
        }
        if (current == nullptr) {
            // Nothing is sequenced; released notes ring out.
            RenderSynth(stereo, frames);
            return;
        }
        const MidiPiece& piece = *current->piece;
        // The loop region; loop points of 0 and 0 loop the whole piece.
        int32_t loopStart = current->loopStart;
        int32_t loopEnd = current->loopEnd;
        if (loopStart == 0 && loopEnd == 0) {
            loopEnd = piece.length;
        }
        const bool looping = repeatsLeft > 0 && loopStart < loopEnd;
        if (looping && playedFrames >= DueFrame(loopEnd)) {
            JumpToLoopStart(loopEnd);
            continue;
        }
        if (playedFrames >= DueFrame(piece.length)) {
            // The end: what is left at the very end still plays, then the
            // piece is over. The playing flag stays as it is.
            for (; nextEvent < piece.events.size(); ++nextEvent) {
                Send(piece.events[nextEvent]);
            }
            StopSequencer();
            continue;
        }
        // Every event sounds at the first frame at or after its time, which
        // is counted from the start through every tempo and every jump
        // without rounding, so that no drift builds up.
        while (nextEvent < piece.events.size() &&
               playedFrames >= DueFrame(piece.events[nextEvent].time)) {
            const MidiEvent& event = piece.events[nextEvent++];
            if (event.status == kMidiTempoStatus) {
                anchorFrame = FrameAt(event.time);
                anchorTime = event.time;
                tempo = event.tempo;
            } else {
                Send(event);
            }
        }
        int32_t target = piece.length;
        if (nextEvent < piece.events.size()) {
            target = std::min(target, piece.events[nextEvent].time);
        }
        if (looping) {
            target = std::min(target, loopEnd);
        }
        const int64_t needed = std::max<int64_t>(DueFrame(target) - playedFrames, 1);
        const int32_t take = static_cast<int32_t>(std::min<int64_t>(needed, frames));
        RenderSynth(stereo, take);
        playedFrames += take;
        idleSteps = 0;
        stereo += take * CAudioMixer::kChannels;
        frames -= take;
    }
}
