// The frame loop's timing against a fake clock: when ticks come, that events
// go first, and that the loop sleeps rather than spins between ticks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "app/FrameLoop.h"

namespace {

TEST(TickTimerTest, FirstTickIsDueAtOnceWhateverTheClockReads) {
    for (uint32_t now : {0u, 1u, 39u, 40u, 123456u, 0xFFFFFFFFu}) {
        CTickTimer timer;
        EXPECT_EQ(timer.MsUntilDue(now), 0u) << now;
    }
}

TEST(TickTimerTest, NextTickComesFortyMillisecondsAfterThePreviousStarted) {
    CTickTimer timer;
    timer.Start(1000);
    EXPECT_EQ(timer.MsUntilDue(1000), 40u);
    EXPECT_EQ(timer.MsUntilDue(1001), 39u);
    EXPECT_EQ(timer.MsUntilDue(1039), 1u);
    EXPECT_TRUE(timer.IsDue(1040));
    EXPECT_TRUE(timer.IsDue(5000));  // however late, it is simply due
}

TEST(TickTimerTest, KeepsThePaceAcrossTheClockWrap) {
    CTickTimer timer;
    // Ticks started just before the wrap: the next is still 40 ms away, not
    // due at once because last + 40 overflowed.
    for (uint32_t last : {0xFFFFFFFFu - 39u, 0xFFFFFFFFu - 20u, 0xFFFFFFFFu}) {
        timer.Start(last);
        EXPECT_EQ(timer.MsUntilDue(last), 40u) << last;
        EXPECT_EQ(timer.MsUntilDue(last + 10u), 30u) << last;  // wrapped reading
        EXPECT_FALSE(timer.IsDue(last + 39u)) << last;
        EXPECT_TRUE(timer.IsDue(last + 40u)) << last;
    }
}

// A scripted host: a fake clock that only moves when the game or a wait
// spends time, and events that arrive at given times.
class CFakeHost : public CLoopHost {
public:
    uint32_t clock = 0;
    uint32_t endAt = 400;
    std::vector<uint32_t> tickStarts;
    std::vector<std::string> log;
    std::deque<uint32_t> eventTimes;  // when each event arrives, in order
    std::vector<uint32_t> tickCosts;  // how long each tick takes
    int spins = 0;                    // calls that neither ticked nor waited

    bool Running() override { return clock < endAt; }
    bool DispatchPending() override {
        if (!eventTimes.empty() && eventTimes.front() <= clock) {
            eventTimes.pop_front();
            log.push_back("event@" + std::to_string(clock));
            return true;
        }
        if (++spins > 100) {
            // A loop that polls instead of waiting: the fake clock would
            // never move, so stop it here.
            ADD_FAILURE() << "the loop polls without waiting";
            clock = endAt;
        }
        return false;
    }
    uint32_t Now() override { return clock; }
    void Tick() override {
        tickStarts.push_back(clock);
        log.push_back("tick@" + std::to_string(clock));
        const size_t n = tickStarts.size() - 1;
        clock += n < tickCosts.size() ? tickCosts[n] : 0;
        spins = 0;
    }
    void Wait(uint32_t ms) override {
        EXPECT_GT(ms, 0u);
        uint32_t wakeAt = clock + ms;
        if (!eventTimes.empty() && eventTimes.front() < wakeAt) {
            wakeAt = std::max(clock, eventTimes.front());
        }
        clock = wakeAt;
        spins = 0;
    }
};

TEST(FrameLoopTest, TicksEveryFortyMillisecondsFromTheStart) {
    CFakeHost host;
    host.clock = 7;
    host.endAt = 170;
    RunFrameLoop(host);
    EXPECT_EQ(host.tickStarts, (std::vector<uint32_t>{7, 47, 87, 127, 167}));
}

TEST(FrameLoopTest, SleepsBetweenTicksInsteadOfPolling) {
    CFakeHost host;
    host.endAt = 1000;
    RunFrameLoop(host);
    EXPECT_EQ(host.tickStarts.size(), 25u);
    // Between a tick and the wait there is one look for events, never a spin.
    EXPECT_LE(host.spins, 1);
}

TEST(FrameLoopTest, LateTickIsFollowedAtOnceByOneTickNotByTheMissedOnes) {
    CFakeHost host;
    host.endAt = 250;
    host.tickCosts = {100};  // the first tick takes 100 ms
    RunFrameLoop(host);
    ASSERT_GE(host.tickStarts.size(), 3u);
    EXPECT_EQ(host.tickStarts[0], 0u);
    EXPECT_EQ(host.tickStarts[1], 100u);
    EXPECT_EQ(host.tickStarts[2], 140u);
}

TEST(FrameLoopTest, WaitingEventsAreHandledBeforeADueTick) {
    CFakeHost host;
    host.endAt = 90;
    host.eventTimes = {0, 0, 20, 60, 60};
    RunFrameLoop(host);
    EXPECT_EQ(host.log, (std::vector<std::string>{"event@0", "event@0", "tick@0", "event@20",
                                                  "tick@40", "event@60", "event@60", "tick@80"}));
}

TEST(FrameLoopTest, NoTickOnceTheProgramEnds) {
    CFakeHost host;
    host.endAt = 0;
    RunFrameLoop(host);
    EXPECT_TRUE(host.tickStarts.empty());
}

}  // namespace
