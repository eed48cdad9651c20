// The music player: standard MIDI files played by a software synthesiser
// with a General MIDI SoundFont, rendered into the effect player's output.
//
// Each piece sits in a numbered slot, read into an event list at Load. One
// piece plays at a time, sequenced in music time (768 units per quarter note)
// on the output's frames by the players' sequencer (MidiSequencer.h). The
// synthesiser opens no audio output of its own: the shared mixer pulls the
// music from MixInto on its audio thread.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "audio/AudioMixer.h"
#include "audio/FailureNote.h"
#include "audio/MidiFile.h"
#include "audio/MidiSequencer.h"
#include "devices/Music.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;

class CFluidSynthMusic : public CMusic,
                         public CMixerSource,
                         public CFailureNote,
                         private CMidiSink {
public:
    // Names the General MIDI SoundFont to use instead of the usual places.
    static constexpr const char* kSoundFontVariable = "MIRUTO_NANA_SOUNDFONT";
    // The loop ends this many music-time units before the piece's end.
    static constexpr int32_t kLoopEndMargin = kMidiLoopEndMargin;

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
    // Releases the slot's piece; then, with a running engine, reads the file
    // into it (false if it cannot be read). Without one the slot stays empty
    // and the result is true.
    bool Load(const char* path, int32_t slot) override;
    void SetSlotCount(int32_t count) override;
    // Starts the slot's piece unless the playing flag is set.
    void Play(int32_t slot) override;
    void Noop(int32_t value) override;
    // Stops the slot's piece and clears the playing flag whatever the slot.
    HRESULT Stop(int32_t slot) override;
    // Loops from loopStart to 250 units before the end, `repeats` times (as
    // an unsigned count). Loop points the piece cannot have are refused and
    // the old ones kept; the repeat count is set all the same.
    void SetLoop(int32_t slot, int32_t repeats, int32_t loopStart) override;
    // Starts the synthesiser with the SoundFont (false if none can be
    // loaded) and, given the effect player's device object (a CAudioMixer),
    // registers with it. Without a device the music is rendered only through
    // MixInto.
    bool Init(HWND window, void* soundDevice) override;

    // Adds the next `frames` frames of music at 44.1 kHz stereo.
    void MixInto(float* stereo, int32_t frames) override;
    void OnMixerGone() override;

    bool IsPlayingFlagSet();
    // Where the sequencer is in the playing piece, in music time; -1 when no
    // piece is being sequenced.
    int32_t Position();
    // The slot whose piece is being sequenced, -1 if none.
    int32_t SequencedSlot();
    // The output frame, counted from the start of the playing piece, at which
    // the sequencer last jumped back to the loop start; -1 before the first
    // jump or when nothing is sequenced.
    int64_t LastJumpFrame();
    // The loop points the slot's piece has (both 0: the whole piece).
    bool GetLoop(int32_t slot, int32_t* loopStart, int32_t* loopEnd, uint32_t* repeats);

private:
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
    std::recursive_mutex lock;
    bool playingFlag = false;
    CAudioMixer* mixer = nullptr;
    struct _fluid_hashtable_t* settings = nullptr;
    struct _fluid_synth_t* synth = nullptr;
    std::vector<float> scratch;
    // The pieces in their slots, sequenced on the output's frames.
    CMidiSequencer sequencer{CAudioMixer::kRate, this};
};
