// When the browser form runs a tick. The browser draws frames at the
// display's own pace (60 a second, say) and the page asks at each one
// whether a tick is due, by the desktop's rule: 40 ms after the previous
// tick started, with missed ticks never made up.
//
// Frames only come every so often, so a tick usually falls due between two
// of them and runs at the next. Counting such a tick from the moment it fell
// due keeps the pace at 25 ticks a second (counting from the frame it ran
// in would give 20 at 60 frames a second). A tick that runs later than the
// frame after it fell due (a hidden page, a long tick, a slow machine) is
// counted from when it runs: the schedule moves on and nothing is caught up.
#pragma once

#include <cstdint>

#include "app/FrameLoop.h"

class CFramePacer {
public:
    // Called at every frame with the frame's time in milliseconds (a clock
    // that may wrap at 2^32); true when a tick is to run now.
    bool Frame(uint32_t now) {
        const bool due = timer.IsDue(now);
        if (due) {
            uint32_t start = now;
            if (havePrevious) {
                // Still to wait at the previous frame: the tick fell due
                // between that frame and this one.
                const uint32_t waiting = timer.MsUntilDue(previous);
                if (waiting > 0 && now - previous <= kTickPeriodMs) {
                    start = previous + waiting;
                }
            }
            timer.Start(start);
        }
        previous = now;
        havePrevious = true;
        return due;
    }

private:
    CTickTimer timer;
    uint32_t previous = 0;
    bool havePrevious = false;
};
