#include "app/FrameLoop.h"

void RunFrameLoop(CLoopHost& host) {
    CTickTimer timer;
    while (host.Running()) {
        if (host.DispatchPending()) {
            continue;
        }
        const uint32_t wait = timer.MsUntilDue(host.Now());
        if (wait == 0) {
            // The tick's own start time, read after the decision, sets the
            // pace of the next one.
            timer.Start(host.Now());
            host.Tick();
        } else {
            host.Wait(wait);
        }
    }
}
