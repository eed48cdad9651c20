#include "audio/DMMusic.h"

#include <cstring>

#include "devices/GameNumbers.h"
#include "devices/RegularFile.h"

namespace {

// The description holds a pointer: 848 bytes in the 32-bit program, 856 in the
// 64-bit one.
static_assert(sizeof(DMUS_OBJECTDESC) == (sizeof(void*) == 4 ? 848 : 856),
              "DirectMusic object description size");

const GUID kClsidPerformance = {
    0xd2ac2881, 0xb39b, 0x11d1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xb1, 0xbd}};
const GUID kIidPerformance2 = {
    0x6fc2cae0, 0xbc78, 0x11d2, {0xaf, 0xa6, 0x00, 0xaa, 0x00, 0x24, 0xd8, 0xb6}};
const GUID kClsidLoader = {
    0xd2ac2892, 0xb39b, 0x11d1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xb1, 0xbd}};
const GUID kIidLoader = {
    0x2ffaaca2, 0x5dca, 0x11d2, {0xaf, 0xa6, 0x00, 0xaa, 0x00, 0x24, 0xd8, 0xb6}};
const GUID kClsidSegment = {
    0xd2ac2882, 0xb39b, 0x11d1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xb1, 0xbd}};
const GUID kIidSegment = {
    0xf96029a2, 0x4282, 0x11d2, {0x87, 0x17, 0x00, 0x60, 0x08, 0x93, 0xb1, 0xbd}};
const GUID kGuidStandardMidiFile = {
    0x06621075, 0xe92e, 0x11d1, {0xa8, 0xc5, 0x00, 0xc0, 0x4f, 0xa3, 0x72, 0x6e}};
const GUID kGuidDownload = {
    0xd2ac28a7, 0xb39b, 0x11d1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xb1, 0xbd}};
const GUID kGuidUnload = {
    0xd2ac28a8, 0xb39b, 0x11d1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xb1, 0xbd}};

constexpr DWORD kInProcess = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD kAllGroups = 0xFFFFFFFF;

}  // namespace

CDMMusic::CDMMusic()
    : slotCount(0),
      performance(nullptr),
      loader(nullptr),
      slots(nullptr),
      segmentState(nullptr),
      comStarted(false) {}

CDMMusic::~CDMMusic() {
    if (performance != nullptr) {
        performance->Stop(nullptr, nullptr, 0, 0);
    }
    for (int32_t i = 0; i < slotCount && slots != nullptr; ++i) {
        if (slots[i] != nullptr && performance != nullptr) {
            slots[i]->SetParam(kGuidUnload, kAllGroups, 0, 0, performance);
        }
    }
    for (int32_t i = 0; i < slotCount && slots != nullptr; ++i) {
        if (slots[i] != nullptr) {
            slots[i]->Release();
            slots[i] = nullptr;
        }
    }
    if (slots != nullptr) {
        GlobalFree(slots);
        slots = nullptr;
    }
    if (segmentState != nullptr) {
        segmentState->Release();
        segmentState = nullptr;
    }
    if (performance != nullptr) {
        performance->CloseDown();
        performance->Release();
        performance = nullptr;
    }
    if (loader != nullptr) {
        loader->Release();
        loader = nullptr;
    }
    if (comStarted) {
        CoUninitialize();
        comStarted = false;
    }
}

bool CDMMusic::Init(HWND window, void* soundDevice) {
    if (FAILED(CoInitialize(nullptr))) {
        return false;
    }
    comStarted = true;
    if (FAILED(CoCreateInstance(kClsidPerformance, nullptr, kInProcess, kIidPerformance2,
                                reinterpret_cast<void**>(&performance)))) {
        performance = nullptr;
        return false;
    }
    if (FAILED(performance->Init(nullptr, static_cast<IDirectSound*>(soundDevice), window))) {
        return false;
    }
    // A null port adds the default output port.
    if (FAILED(performance->AddPort(nullptr))) {
        return false;
    }
    if (FAILED(CoCreateInstance(kClsidLoader, nullptr, kInProcess, kIidLoader,
                                reinterpret_cast<void**>(&loader)))) {
        loader = nullptr;
        return false;
    }
    ClearPlayingFlag();
    return true;
}

void CDMMusic::ReleaseSlot(int32_t slot) {
    if (slots == nullptr || slots[slot] == nullptr) {
        return;
    }
    if (performance != nullptr) {
        slots[slot]->SetParam(kGuidUnload, kAllGroups, 0, 0, performance);
    }
    slots[slot]->Release();
    slots[slot] = nullptr;
}

void CDMMusic::SetSlotCount(int32_t count) {
    if (count < 0) {
        return;
    }
    if (slots != nullptr) {
        for (int32_t i = 0; i < slotCount; ++i) {
            ReleaseSlot(i);
        }
        GlobalFree(slots);
        slots = nullptr;
    }
    slots = static_cast<IDirectMusicSegment**>(
        GlobalAlloc(GMEM_ZEROINIT, static_cast<SIZE_T>(count) * sizeof(IDirectMusicSegment*)));
    slotCount = slots != nullptr ? count : 0;
}

IDirectMusicSegment* CDMMusic::LoadSegment(const char* path) {
    DMUS_OBJECTDESC desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;
    desc.guidClass = kClsidSegment;
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path, -1, desc.wszFileName, DMUS_MAX_FILENAME);

    IDirectMusicSegment* segment = nullptr;
    if (FAILED(loader->GetObject(&desc, kIidSegment, reinterpret_cast<void**>(&segment)))) {
        return nullptr;
    }
    segment->SetParam(kGuidStandardMidiFile, kAllGroups, 0, 0, performance);
    // Downloads the instruments the piece uses into the performance.
    segment->SetParam(kGuidDownload, kAllGroups, 0, 0, performance);
    return segment;
}

bool CDMMusic::Load(const char* path, int32_t slot) {
    if (slots == nullptr) {
        return false;
    }
    ReleaseSlot(slot);
    if (loader == nullptr) {
        // No music engine: the game goes on without music in this slot.
        return true;
    }
    // The loader opens the file itself: something there that is not a
    // regular file is not handed to it.
    if (path == nullptr || CheckRegularFile(path, FILE_LINKS_FOLLOWED) == FILE_READ_REFUSED) {
        NoteUnloadable(path);
        return false;
    }
    slots[slot] = LoadSegment(path);
    if (slots[slot] == nullptr) {
        NoteUnloadable(path);
        return false;
    }
    return true;
}

void CDMMusic::SetLoop(int32_t slot, int32_t repeats, int32_t loopStart) {
    if (slots == nullptr || slots[slot] == nullptr) {
        return;
    }
    IDirectMusicSegment* segment = slots[slot];
    MUSIC_TIME length = 0;
    segment->GetLength(&length);
    // A refusal (a piece too short for these points) leaves the repeats set.
    segment->SetLoopPoints(loopStart, length - kMusicLoopEndMargin);
    segment->SetRepeats(static_cast<DWORD>(repeats));
}

bool CDMMusic::StartPiece(int32_t slot) {
    if (slots == nullptr || slots[slot] == nullptr || performance == nullptr) {
        return false;
    }
    if (segmentState != nullptr) {
        segmentState->Release();
        segmentState = nullptr;
    }
    // Whatever PlaySegment says, the flag is set.
    performance->PlaySegment(slots[slot], 0, 0, &segmentState);
    return true;
}

HRESULT CDMMusic::StopPiece(int32_t slot) {
    if (performance == nullptr) {
        return kStatusFail;
    }
    IDirectMusicSegment* segment = slots != nullptr ? slots[slot] : nullptr;
    return performance->Stop(segment, nullptr, 0, 0);
}
