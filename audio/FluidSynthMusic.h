// The music player: standard MIDI files played by a software synthesiser
// with a General MIDI SoundFont, rendered into the effect player's output.
//
// Each piece sits in a numbered slot, read into an event list at Load. One
// piece plays at a time, sequenced here in music time (768 units per quarter
// note). The synthesiser opens no audio output of its own: the shared mixer
// pulls the music from MixInto on its audio thread.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/AudioMixer.h"
#include "audio/FailureNote.h"
#include "audio/MidiFile.h"
#include "devices/Music.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;

class CFluidSynthMusic : public CMusic, public CMixerSource, public CFailureNote {
public:
    // Names the General MIDI SoundFont to use instead of the usual places.
    static constexpr const char* kSoundFontVariable = "MIRUTO_NANA_SOUNDFONT";
    // The loop ends this many music-time units before the piece's end.
    static constexpr int32_t kLoopEndMargin = 250;

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
    struct Slot {
        std::unique_ptr<MidiPiece> piece;
        int32_t loopStart = 0;
        int32_t loopEnd = 0;
        uint32_t repeats = 0;
        // The channel state at the loop start, sent at every jump back.
        std::vector<MidiEvent> loopState;
    };

    bool IsSlot(int32_t slot) const { return slot >= 0 && slot < int32_t(slots.size()); }
    // Sends a channel message to the synthesiser.
    void Send(const MidiEvent& event);
    // Releases every note, sustained ones too.
    void ReleaseNotes();
    // Ends sequencing at once (the caller holds the lock).
    void StopSequencer();
    // Jumps back from `loopEnd`, the end of the loop region, to its start.
    void JumpToLoopStart(int32_t loopEnd);
    // The output frame, counted from the piece's start, at which music time
    // `time` falls at the tempo in force; and the first whole frame at or
    // after it.
    double FrameAt(int32_t time) const;
    int64_t DueFrame(int32_t time) const;
    void RenderSynth(float* stereo, int32_t frames);
    // Loads the SoundFont into the new synthesiser; false when none loads.
    bool LoadSoundFont();

    // Empty: looked up at Init.
    std::string soundFont;
    std::string dataFolder;
    std::recursive_mutex lock;
    bool playingFlag = false;
    int32_t slotCount = 0;
    std::vector<Slot> slots;
    CAudioMixer* mixer = nullptr;
    struct _fluid_hashtable_t* settings = nullptr;
    struct _fluid_synth_t* synth = nullptr;
    std::vector<float> scratch;

    // The sequencer. Music time `anchorTime` falls on output frame
    // `anchorFrame` (a fraction of a frame included) at `tempo`; the anchor
    // moves at every tempo change and every jump.
    const Slot* current = nullptr;
    int32_t currentSlot = -1;
    int32_t anchorTime = 0;
    double anchorFrame = 0;
    uint32_t tempo = kDefaultTempo;
    size_t nextEvent = 0;
    uint32_t repeatsLeft = 0;
    int64_t playedFrames = 0;
    int64_t lastJumpFrame = -1;
};
