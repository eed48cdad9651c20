// Feeds arbitrary bytes to the replay reader and the checker, as a stranger's
// replay file. Nothing may crash or hang; a refused file says why; a file
// that checks checks again the same.
//
// Input: one byte that says whether a valid first line goes before the rest
// (odd: yes, to reach the commands more often), then the file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "replay/ReplayCheck.h"
#include "replay/ReplayScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    std::string text;
    if ((data[0] & 1) != 0) {
        text = "#miruto-nana-replay 1 game=1.0.0 form=linux seed=1 time=2026-01-01T00:00:00Z\n";
    }
    text.append(reinterpret_cast<const char*>(data + 1), size - 1);

    // The replay tool's old reading of a script, which runs nothing.
    SReplayScript script;
    std::string error;
    if (!ReadReplayScript(text, false, &script, &error) && error.empty()) {
        std::abort();
    }

    SReplaySummary first;
    SReplaySummary again;
    std::string againError;
    const bool checked = CheckReplay(text, &first, &error);
    if (!checked && error.empty()) {
        std::abort();
    }
    if (checked) {
        if (!CheckReplay(text, &again, &againError) || again.games.size() != first.games.size() ||
            first.ticks > kReplayMaxTicks) {
            std::abort();
        }
        for (size_t i = 0; i < first.games.size(); ++i) {
            if (first.games[i].score != again.games[i].score ||
                first.games[i].endTick != again.games[i].endTick || first.games[i].score < 0) {
                std::abort();
            }
        }
    }
    return 0;
}
