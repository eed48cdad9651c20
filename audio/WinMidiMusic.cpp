#include "audio/WinMidiMusic.h"

#include <mmsystem.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

namespace {

// The timing thread sleeps at most this long at a time.
constexpr int64_t kMaxWaitMs = 1000;
// A thread that wakes later than this behind the music (the machine was
// stalled or asleep) holds the clock back instead of sending all it missed
// at once: the music goes on from where it stopped.
constexpr int64_t kMaxLagTicks = CWinMidiMusic::kTicksPerSecond / 2;

constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kSustainPedal = 64;
constexpr uint8_t kSostenutoPedal = 66;
constexpr uint8_t kResetControllers = 121;
constexpr uint8_t kAllNotesOff = 123;

// The MIDI mapper: the output the system's settings choose.
class CMidiMapperOut : public CMidiOut {
public:
    // The mapper, or null when the machine has no MIDI output.
    static std::unique_ptr<CMidiOut> Open() {
        HMIDIOUT handle = nullptr;
        if (midiOutOpen(&handle, MIDI_MAPPER, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
            return nullptr;
        }
        std::unique_ptr<CMidiOut> out(new (std::nothrow) CMidiMapperOut(handle));
        if (out == nullptr) {
            midiOutClose(handle);
        }
        return out;
    }

    ~CMidiMapperOut() override {
        midiOutReset(handle);
        midiOutClose(handle);
    }

    void Send(uint32_t message) override { midiOutShortMsg(handle, message); }

private:
    explicit CMidiMapperOut(HMIDIOUT opened) : handle(opened) {}

    HMIDIOUT handle;
};

int64_t PerformanceCounter() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

}  // namespace

CWinMidiMusic::CWinMidiMusic() : CSequencedMusic(kTicksPerSecond), ownClock(true) {}

CWinMidiMusic::CWinMidiMusic(CMidiOut* output)
    : CSequencedMusic(kTicksPerSecond), ownClock(false), out(output) {}

CWinMidiMusic::~CWinMidiMusic() {
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        sequencer.SetSlotCount(0);
        quitting = true;
    }
    wake.notify_all();
    if (timer.joinable()) {
        timer.join();
    }
}

bool CWinMidiMusic::Init(HWND, void*) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (!started && ownClock) {
        systemOut = CMidiMapperOut::Open();
        out = systemOut.get();
        LARGE_INTEGER rate;
        QueryPerformanceFrequency(&rate);
        counterRate = std::max<int64_t>(rate.QuadPart, 1);
        try {
            timer = std::thread(&CWinMidiMusic::TimingThread, this);
        } catch (const std::system_error&) {
            // Music that cannot be timed is not sent at all.
            systemOut.reset();
            out = nullptr;
        }
    }
    started = true;
    ClearPlayingFlag();
    return true;
}

void CWinMidiMusic::OnPieceStarted(int32_t) {
    counterStart = PerformanceCounter();
    clockHeld = 0;
    // What is due at the start goes out at once.
    sequencer.SendDue();
    wake.notify_all();
}

bool CWinMidiMusic::HasOutput() {
    std::lock_guard<std::recursive_mutex> guard(lock);
    return out != nullptr;
}

void CWinMidiMusic::Advance(int64_t ticks) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (!ownClock && ticks >= 0) {
        RunTo(sequencer.Elapsed() + ticks);
    }
}

void CWinMidiMusic::RunTo(int64_t tick) {
    sequencer.Run(tick - sequencer.Elapsed(), [](int64_t) {});
    sequencer.SendDue();
}

int64_t CWinMidiMusic::Now() const {
    const int64_t counts = PerformanceCounter() - counterStart;
    return counts / counterRate * kTicksPerSecond +
           counts % counterRate * kTicksPerSecond / counterRate;
}

void CWinMidiMusic::TimingThread() {
    // Waits of a millisecond need the system's timer at its finest.
    timeBeginPeriod(1);
    std::unique_lock<std::recursive_mutex> guard(lock);
    while (!quitting) {
        if (sequencer.SequencedSlot() < 0) {
            wake.wait(guard);
            continue;
        }
        int64_t tick = Now() - clockHeld;
        if (tick - sequencer.Elapsed() > kMaxLagTicks) {
            clockHeld += tick - sequencer.Elapsed();
            tick = sequencer.Elapsed();
        }
        RunTo(tick);
        const int64_t next = sequencer.TicksToNext();
        if (next > 0) {
            const int64_t ms =
                std::min((next * 1000 + kTicksPerSecond - 1) / kTicksPerSecond, kMaxWaitMs);
            wake.wait_for(guard, std::chrono::milliseconds(ms));
        }
    }
    guard.unlock();
    timeEndPeriod(1);
}

void CWinMidiMusic::Send(uint8_t status, uint8_t data1, uint8_t data2) {
    if (out != nullptr) {
        out->Send(uint32_t(status) | uint32_t(data1) << 8 | uint32_t(data2) << 16);
    }
}

void CWinMidiMusic::SendEvent(const MidiEvent& event) {
    const int channel = event.status & 0x0F;
    channelsUsed = static_cast<uint16_t>(channelsUsed | 1u << channel);
    switch (event.status & 0xF0) {
        case kNoteOff:
            sounding[channel].reset(event.data1 & 0x7F);
            break;
        case 0x90:
            sounding[channel].set(event.data1 & 0x7F, event.data2 != 0);
            break;
        default:
            break;
    }
    Send(event.status, event.data1, event.data2);
}

void CWinMidiMusic::ReleaseNotes(bool pieceOver) {
    for (uint8_t channel = 0; channel < 16; ++channel) {
        if ((channelsUsed & 1u << channel) == 0) {
            continue;
        }
        const uint8_t control = kControlChange | channel;
        // The pedals first, or the released notes would ring on.
        Send(control, kSustainPedal, 0);
        Send(control, kSostenutoPedal, 0);
        for (uint8_t note = 0; note < 128; ++note) {
            if (sounding[channel].test(note)) {
                Send(kNoteOff | channel, note, 0);
            }
        }
        // Whatever the output still holds.
        Send(control, kAllNotesOff, 0);
        if (pieceOver) {
            Send(control, kResetControllers, 0);
        }
        sounding[channel].reset();
    }
    if (pieceOver) {
        channelsUsed = 0;
    }
}
