#include "tools/recording/RecordingDevices.h"

#include <cinttypes>
#include <cstdarg>

#include "scores/Cp932.h"
#include "scores/NameEntry.h"

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

bool Fails(const FailureSet* failures, const std::string& what) {
    return failures != nullptr && failures->count(what) != 0;
}

}  // namespace

void CTrace::Line(const std::string& text) {
    if (echo != nullptr) {
        std::fputs(text.c_str(), echo);
        std::fputc('\n', echo);
    }
    if (keepLines) {
        lines.push_back(text);
    }
}

CRecordingSurface::CRecordingSurface(CTrace* surfaceTrace, const FailureSet* surfaceFailures,
                                     int32_t surfaceNumber, CSurface* innerSurface)
    : trace(surfaceTrace), failures(surfaceFailures), number(surfaceNumber), inner(innerSurface) {}

CRecordingSurface::~CRecordingSurface() {
    trace->Note(Format("delete surface %d", number));
    delete inner;
}

bool CRecordingSurface::LoadBitmapResource(int32_t id, int32_t dstX, int32_t dstY, int32_t w,
                                           int32_t h, int32_t srcX, int32_t srcY, COLORREF key) {
    trace->Line(Format("bitmap %d %d %d %d %d %d %d %d 0x%06x", number, id, dstX, dstY, w, h, srcX,
                       srcY, static_cast<unsigned>(key)));
    if (Fails(failures, Format("surface.load %d", number))) {
        return false;
    }
    if (inner != nullptr) {
        return inner->LoadBitmapResource(id, dstX, dstY, w, h, srcX, srcY, key);
    }
    return true;
}

bool CRecordingSurface::LoadImage(const char* name, int32_t dstX, int32_t dstY, int32_t w,
                                  int32_t h, int32_t srcX, int32_t srcY, COLORREF key) {
    trace->Note(Format("image %d %s", number, name));
    return inner == nullptr || inner->LoadImage(name, dstX, dstY, w, h, srcX, srcY, key);
}

int32_t CRecordingSurface::Blit(CSurface* source, int32_t x, int32_t y, int32_t w, int32_t h,
                                int32_t srcX, int32_t srcY) {
    trace->Note(Format("blit %d", number));
    if (inner == nullptr) {
        return 1;
    }
    auto* recorded = static_cast<CRecordingSurface*>(source);
    return inner->Blit(recorded != nullptr ? recorded->Inner() : nullptr, x, y, w, h, srcX, srcY);
}

int32_t CRecordingSurface::SetColorKey(COLORREF color) {
    return inner != nullptr ? inner->SetColorKey(color) : 1;
}

int32_t CRecordingSurface::ClearToColorKey(int32_t x, int32_t y, int32_t w, int32_t h) {
    return inner != nullptr ? inner->ClearToColorKey(x, y, w, h) : 1;
}

int32_t CRecordingSurface::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, COLORREF color) {
    return inner != nullptr ? inner->FillRect(x, y, w, h, color) : 1;
}

uint32_t CRecordingSurface::MatchColor(COLORREF color) {
    return inner != nullptr ? inner->MatchColor(color) : color;
}

CRecordingGraphics::CRecordingGraphics(CTrace* graphicsTrace, const FailureSet* graphicsFailures,
                                       CGraphics* innerGraphics)
    : trace(graphicsTrace), failures(graphicsFailures), inner(innerGraphics) {}

CRecordingGraphics::~CRecordingGraphics() {
    trace->Note("delete graphics");
    delete inner;
}

HRESULT CRecordingGraphics::Init(HWND window, int32_t width, int32_t height) {
    trace->Line(Format("graphics init %d %d", width, height));
    if (Fails(failures, "graphics.init")) {
        return kStatusFail;
    }
    return inner != nullptr ? inner->Init(window, width, height) : 0;
}

void CRecordingGraphics::Release() {
    if (inner != nullptr) {
        inner->Release();
    }
}

int32_t CRecordingGraphics::DrawSprite(CSurface* sheet, int32_t x, int32_t y, int32_t w, int32_t h,
                                       int32_t srcX, int32_t srcY) {
    if (keepSprites) {
        sprites.push_back(SSpriteCall{sheet, x, y, w, h, srcX, srcY});
    }
    auto* recorded = static_cast<CRecordingSurface*>(sheet);
    trace->Line(Format("draw %d %d %d %d %d %d %d", recorded != nullptr ? recorded->Number() : -1,
                       x, y, w, h, srcX, srcY));
    if (inner != nullptr) {
        return inner->DrawSprite(recorded != nullptr ? recorded->Inner() : nullptr, x, y, w, h,
                                 srcX, srcY);
    }
    return recorded != nullptr && w > 0 && h > 0 ? 1 : 0;
}

HRESULT CRecordingGraphics::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t pixel) {
    trace->Line(Format("fill %d %d %d %d %" PRIu32, x, y, w, h, pixel));
    return inner != nullptr ? inner->FillRect(x, y, w, h, pixel) : 0;
}

HRESULT CRecordingGraphics::Present(HWND window) {
    trace->Line("present");
    return inner != nullptr ? inner->Present(window) : 0;
}

CSurface* CRecordingGraphics::CreateSurface(int32_t width, int32_t height, uint32_t flags) {
    const int32_t number = surfaceCount++;
    trace->Line(Format("surface %d %d %d %" PRIu32, number, width, height, flags));
    if (Fails(failures, Format("surface.create %d", number))) {
        return nullptr;
    }
    CSurface* innerSurface = nullptr;
    if (inner != nullptr) {
        innerSurface = inner->CreateSurface(width, height, flags);
        if (innerSurface == nullptr) {
            return nullptr;
        }
    }
    trace->Note(Format("new surface %d", number));
    return new CRecordingSurface(trace, failures, number, innerSurface);
}

HRESULT CRecordingGraphics::GetDC(HDC* dc) {
    if (inner != nullptr) {
        return inner->GetDC(dc);
    }
    *dc = nullptr;
    return kStatusFail;
}

HRESULT CRecordingGraphics::ReleaseDC(HDC dc) {
    return inner != nullptr ? inner->ReleaseDC(dc) : kStatusFail;
}

CRecordingSound::CRecordingSound(CTrace* soundTrace, const FailureSet* soundFailures)
    : trace(soundTrace), failures(soundFailures) {}

CRecordingSound::~CRecordingSound() {
    trace->Note("delete sound");
}

bool CRecordingSound::Init(HWND) {
    trace->Line("sound init");
    return !Fails(failures, "sound.init");
}

bool CRecordingSound::LoadWave(const char* path, int32_t slot) {
    trace->Line(Format("sound wave %s %d", path, slot));
    return !Fails(failures, "sound.wave");
}

HRESULT CRecordingSound::Play(int32_t slot) {
    trace->Line(Format("sound play %d", slot));
    return 0;
}

HRESULT CRecordingSound::Stop(int32_t slot) {
    trace->Line(Format("sound stop %d", slot));
    return 0;
}

HRESULT CRecordingSound::SetVolume(int32_t level) {
    trace->Note(Format("sound volume %d", level));
    return 0;
}

void CRecordingSound::SetSlotCount(int32_t count) {
    trace->Line(Format("sound slots %d", count));
}

void* CRecordingSound::GetDirectSound() {
    return this;
}

CRecordingMusic::CRecordingMusic(CTrace* musicTrace, const FailureSet* musicFailures)
    : trace(musicTrace), failures(musicFailures) {}

CRecordingMusic::~CRecordingMusic() {
    trace->Note("delete music");
}

bool CRecordingMusic::Load(const char* path, int32_t slot) {
    trace->Line(Format("music load %s %d", path, slot));
    return !Fails(failures, Format("music.load %d", slot));
}

void CRecordingMusic::SetSlotCount(int32_t count) {
    trace->Line(Format("music slots %d", count));
}

void CRecordingMusic::Play(int32_t slot) {
    trace->Line(Format("music play %d", slot));
}

void CRecordingMusic::Noop(int32_t) {}

HRESULT CRecordingMusic::Stop(int32_t slot) {
    trace->Line(Format("music stop %d", slot));
    return 0;
}

void CRecordingMusic::SetLoop(int32_t slot, int32_t repeats, int32_t loopStart) {
    trace->Line(Format("music loop %d %d %d", slot, repeats, loopStart));
}

bool CRecordingMusic::Init(HWND, void* soundDevice) {
    trace->Line("music init");
    trace->Note(soundDevice != nullptr ? "music shares the sound device" : "music without device");
    return !Fails(failures, "music.init");
}

CRecordingPlatform::CRecordingPlatform(CTrace* platformTrace) : trace(platformTrace) {}

CGraphics* CRecordingPlatform::CreateGraphics() {
    if (Fails(&failures, "graphics.create")) {
        return nullptr;
    }
    trace->Note("new graphics");
    CGraphics* inner = makeInnerGraphics != nullptr ? makeInnerGraphics(innerContext) : nullptr;
    return new CRecordingGraphics(trace, &failures, inner);
}

CSound* CRecordingPlatform::CreateSound() {
    if (Fails(&failures, "sound.create")) {
        return nullptr;
    }
    trace->Note("new sound");
    return new CRecordingSound(trace, &failures);
}

CMusic* CRecordingPlatform::CreateMusic() {
    if (Fails(&failures, "music.create")) {
        return nullptr;
    }
    trace->Note("new music");
    return new CRecordingMusic(trace, &failures);
}

void CRecordingPlatform::Sleep(uint32_t ms) {
    trace->Line(Format("sleep %" PRIu32, ms));
}

int32_t CRecordingPlatform::RunGameOverDialog(HWND) {
    CNameEntry entry;
    if (!entry.Open()) {
        return 0;  // the dialog ends as soon as it opens
    }
    trace->Line(Format("dialog %d", entry.Place()));
    if (answers.empty() || !answers.front().ok) {
        if (!answers.empty()) {
            answers.pop_front();
        }
        trace->Line("dialog close");
        return 0;
    }
    entry.SetName(Utf8ToCp932(answers.front().name));
    answers.pop_front();
    // As in the real dialogs, OK ends the dialog even when the name cannot
    // be written; the game then says the score was not saved.
    entry.Confirm();
    trace->Line("dialog ok " + entry.Name());
    return 1;
}

void CRecordingPlatform::ShowMessage(HWND, const char* text) {
    trace->Line(std::string("message ") + text);
}
