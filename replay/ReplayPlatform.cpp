#include "replay/ReplayPlatform.h"

#include <new>

#include "devices/NullDevices.h"
#include "scores/Cp932.h"
#include "scores/NameEntry.h"

CGraphics* CReplayPlatform::CreateGraphics() {
    return devices != nullptr ? devices->CreateGraphics() : new (std::nothrow) CNullGraphics;
}

CSound* CReplayPlatform::CreateSound() {
    return devices != nullptr ? devices->CreateSound() : new (std::nothrow) CNullSound;
}

CMusic* CReplayPlatform::CreateMusic() {
    return devices != nullptr ? devices->CreateMusic() : new (std::nothrow) CNullMusic;
}

void CReplayPlatform::Sleep(uint32_t ms) {
    if (devices != nullptr && !quick) {
        devices->Sleep(ms);
    }
}

// As the forms' name entries do: it ends at once without a place, OK hands
// back the first 14 bytes of the name in CP932, the close box nothing.
int32_t CReplayPlatform::RunGameOverDialog(HWND) {
    if (keeper->Place() == 0) {
        return 0;
    }
    if (answers.empty()) {
        return 0;
    }
    const SReplayAnswer answer = answers.front();
    answers.pop_front();
    if (!answer.ok) {
        return 0;
    }
    const std::string cp932 = Utf8ToCp932(answer.name);
    keeper->SetName(
        cp932.substr(0, Cp932PrefixLength(cp932.data(), cp932.size(), CNameEntry::kMaxNameBytes)));
    return 1;
}
