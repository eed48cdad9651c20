// The game's heartbeat: one tick every 40 ms, with window events handled in
// between. The decision of when a tick is due and the loop around it are kept
// free of any toolkit so that they can be checked against a fake clock.
#pragma once

#include <cstdint>

// Shortest time from the start of one tick to the start of the next.
constexpr uint32_t kTickPeriodMs = 40;

// When the next tick may start, on a millisecond clock that wraps at 2^32.
class CTickTimer {
public:
    // Milliseconds to wait before the next tick; 0 when it is due now. The
    // first tick is due at once. The elapsed time is taken modulo 2^32, so a
    // clock that wraps past 2^32 - 1 keeps the 40 ms pace.
    uint32_t MsUntilDue(uint32_t now) const {
        if (!started) {
            return 0;
        }
        const uint32_t elapsed = now - lastTick;
        return elapsed >= kTickPeriodMs ? 0 : kTickPeriodMs - elapsed;
    }
    bool IsDue(uint32_t now) const { return MsUntilDue(now) == 0; }
    // Notes that a tick starts at `now`. A late tick moves the schedule: the
    // next one is due 40 ms after this one, and missed ticks are not made up.
    void Start(uint32_t now) {
        started = true;
        lastTick = now;
    }

private:
    bool started = false;
    uint32_t lastTick = 0;
};

// What the loop drives: the window system's events, the clock and the game.
class CLoopHost {
public:
    virtual ~CLoopHost() {}
    // False once the program is to end.
    virtual bool Running() = 0;
    // Handles the events that are waiting; false when none was waiting.
    virtual bool DispatchPending() = 0;
    // The millisecond clock.
    virtual uint32_t Now() = 0;
    // Runs one game tick.
    virtual void Tick() = 0;
    // Sleeps until an event arrives or `ms` milliseconds have passed.
    virtual void Wait(uint32_t ms) = 0;
};

// Runs until the host stops running: waiting events first, then a tick when
// one is due, else a sleep until the next event or the tick's time.
void RunFrameLoop(CLoopHost& host);
