// The music player on the system's MIDI output (the multimedia library's MIDI
// mapper): standard MIDI files in numbered slots, sequenced by the players'
// sequencer on a timing thread of its own and sent as short messages.
//
// A machine without a MIDI output does not stop the game: the player then
// plays in silence. Init succeeds, pieces load (a file that cannot be read is
// still refused) and Play and Stop keep their bookkeeping.
#pragma once

#include <bitset>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <thread>

#include "audio/MusicPlayer.h"

// Where the player's messages go: the system's MIDI output, or a stand-in.
class CMidiOut {
public:
    virtual ~CMidiOut() {}
    // A short message packed as the multimedia library takes it: the status
    // byte lowest, then the data bytes.
    virtual void Send(uint32_t message) = 0;
};

class CWinMidiMusic : public CSequencedMusic {
public:
    // The sequencer's clock counts microseconds from the start of the piece.
    static constexpr int64_t kTicksPerSecond = 1000000;

    // A player on the system's MIDI output, timed by a thread of its own.
    CWinMidiMusic();
    // A player whose messages go to `out` (kept by the caller) and whose
    // clock moves only by Advance: no device and no timing thread.
    explicit CWinMidiMusic(CMidiOut* out);
    ~CWinMidiMusic() override;
    CWinMidiMusic(const CWinMidiMusic&) = delete;
    CWinMidiMusic& operator=(const CWinMidiMusic&) = delete;

    // Opens the MIDI output, or plays in silence without one, and starts the
    // timing thread. The window and the sound device are not needed. Pieces
    // are read only once it has run.
    bool Init(HWND window, void* soundDevice) override;

    // Whether the messages reach an output (false: the player is silent).
    bool HasOutput();
    // Moves the clock on by `ticks` and sends what has fallen due by then.
    // Only for a player made with an output of its own.
    void Advance(int64_t ticks);

private:
    bool EngineRunning() const override { return started; }
    // The clock starts with the piece; what is due at once goes out.
    void OnPieceStarted(int32_t slot) override;
    void SendEvent(const MidiEvent& event) override;
    // Lifts the pedals and ends every sounding note; at the end of a piece
    // also resets the controllers.
    void ReleaseNotes(bool pieceOver) override;
    void Send(uint8_t status, uint8_t data1, uint8_t data2);
    // Sequences up to `tick` and sends what is due there (under the lock).
    void RunTo(int64_t tick);
    // Ticks since the piece started, by the performance counter.
    int64_t Now() const;
    void TimingThread();

    const bool ownClock;
    std::condition_variable_any wake;
    std::thread timer;
    bool quitting = false;
    bool started = false;
    std::unique_ptr<CMidiOut> systemOut;
    CMidiOut* out = nullptr;
    // The performance counter's rate and its value when the piece started.
    int64_t counterRate = 1;
    int64_t counterStart = 0;
    // Ticks the clock has been held back by, after the thread was stalled.
    int64_t clockHeld = 0;
    // The channels the piece has used and the notes sounding on each.
    uint16_t channelsUsed = 0;
    std::bitset<128> sounding[16];
};
