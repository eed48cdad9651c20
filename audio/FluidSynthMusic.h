// The music player: standard MIDI files played by a software synthesiser
// with a General MIDI SoundFont, rendered into the effect player's output.
//
// Each piece sits in a numbered slot, read into an event list at Load. One
// piece plays at a time, sequenced in music time (768 units per quarter note)
// on the output's frames by the players' sequencer (MusicPlayer.h). The
// synthesiser opens no audio output of its own: the shared mixer pulls the
// music from MixInto on its audio thread.
#pragma once

#include <string>
#include <vector>

#include "audio/AudioMixer.h"
#include "audio/MusicPlayer.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;

class CFluidSynthMusic : public CSequencedMusic, public CMixerSource {
public:
    // Names the General MIDI SoundFont to use instead of the usual places.
    static constexpr const char* kSoundFontVariable = "MIRUTO_NANA_SOUNDFONT";

    // A player that uses the SoundFont the variable names, or else the first
    // of the usual places that loads.
    CFluidSynthMusic();
    // A player that uses this SoundFont file.
    explicit CFluidSynthMusic(std::string soundFont);
    ~CFluidSynthMusic() override;
    CFluidSynthMusic(const CFluidSynthMusic&) = delete;
    CFluidSynthMusic& operator=(const CFluidSynthMusic&) = delete;

    // The folder relative paths of Load are taken in (see DataFolder.h).
    void SetDataFolder(std::string folder) { dataFolder = std::move(folder); }
    // Starts the synthesiser with the SoundFont (false if none can be
    // loaded: only a regular file, or a link to one, is tried) and, given the
    // effect player's device object (a CAudioMixer), registers with it.
    // Without a device the music is rendered only through MixInto.
    bool Init(HWND window, void* soundDevice) override;

    // Adds the next `frames` frames of music at 44.1 kHz stereo.
    void MixInto(float* stereo, int32_t frames) override;
    void OnMixerGone() override;

    // Frames from the present one to the next at which the sequencer has
    // something due (at least 1); -1 when nothing is sequenced.
    int64_t FramesToNext();

private:
    bool EngineRunning() const override { return synth != nullptr; }
    std::string FileFor(const char* path) const override;
    // Sends a channel message to the synthesiser.
    void SendEvent(const MidiEvent& event) override;
    // Releases every note, sustained ones too.
    void ReleaseNotes(bool pieceOver) override;
    void RenderSynth(float* stereo, int32_t frames);
    // Loads the SoundFont into the new synthesiser; false when none loads.
    bool LoadSoundFont();

    // Empty: looked up at Init.
    std::string soundFont;
    std::string dataFolder;
    CAudioMixer* mixer = nullptr;
    struct _fluid_hashtable_t* settings = nullptr;
    struct _fluid_synth_t* synth = nullptr;
    std::vector<float> scratch;
};
