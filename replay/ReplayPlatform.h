// The program around a replayed game: devices from another platform (or
// devices that do nothing), the name entry answered from the replay and
// handed over through a table in memory, no message boxes. Nothing it does
// reaches the player's files.
#pragma once

#include <deque>

#include "devices/Platform.h"
#include "replay/ReplayRun.h"
#include "scores/ScoreKeeper.h"

class CReplayPlatform : public CPlatform, public CReplayHost {
public:
    // `devices` null: devices that do nothing, and no sleeping.
    CReplayPlatform(CPlatform* devices, CMemoryScoreKeeper* keeper)
        : devices(devices), keeper(keeper) {}

    CGraphics* CreateGraphics() override;
    CSound* CreateSound() override;
    CMusic* CreateMusic() override;
    void Sleep(uint32_t ms) override;
    int32_t RunGameOverDialog(HWND owner) override;
    void ShowMessage(HWND, const char*) override {}

    void QueueAnswer(const SReplayAnswer& answer) override { answers.push_back(answer); }
    size_t PendingAnswers() const override { return answers.size(); }

    // Sleeps are skipped while set.
    bool quick = false;

private:
    CPlatform* devices;
    CMemoryScoreKeeper* keeper;
    std::deque<SReplayAnswer> answers;
};
