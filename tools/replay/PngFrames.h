// Frames of a replay saved as PNG pictures: one every 25 ticks (once a
// second of play) and the last one shown.
#pragma once

#include <cstdint>
#include <string>

#include "devices/Graphics.h"

class CPngFrames {
public:
    virtual ~CPngFrames() {}
    // A new drawing device whose presented frames come here; the caller owns
    // it and deletes it before this object.
    virtual CGraphics* CreateGraphics() = 0;
    // Writes the last presented frame, named by the tick it was shown in.
    virtual void Finish() = 0;
};

// Frames go to dir/frame-TICK.png (TICK with six digits); dir is made when
// missing, and null comes back when it cannot be made. currentTick is read
// at each present and must outlive the object.
CPngFrames* CreatePngFrames(const std::string& dir, const int32_t* currentTick);
