// Devices that write down every call the game makes, one trace line each
// (CTrace): sheets made and loaded, sprites drawn, fills and presents, sound
// and music calls, sleeps, the name entry's answers and message boxes. What the trace does
// not show (devices destroyed, blits, image loads) goes to its notes. The
// tests read the lines back; the replay tool prints them. A recording drawing
// device can also pass every call on to a real one, and keeps the sprites it
// was asked to draw as records, for tests that look at single actors.
#pragma once

#include <cstdio>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "devices/Platform.h"

// Where the lines go.
class CTrace {
public:
    explicit CTrace(FILE* echoTo = nullptr, bool keep = true) : echo(echoTo), keepLines(keep) {}
    // A line of the trace proper.
    void Line(const std::string& text);
    // Something the trace does not show (devices made and destroyed).
    void Note(const std::string& text) { notes.push_back(text); }

    std::vector<std::string> lines;
    std::vector<std::string> notes;

private:
    FILE* echo;
    bool keepLines;
};

// Names of the calls that should fail, as "graphics.create", "graphics.init",
// "surface.create N", "surface.load N", "sound.create", "sound.init",
// "sound.wave", "music.create", "music.init", "music.load N".
using FailureSet = std::set<std::string>;

class CRecordingSurface : public CSurface {
public:
    CRecordingSurface(CTrace* trace, const FailureSet* failures, int32_t number, CSurface* inner);
    ~CRecordingSurface() override;
    bool LoadBitmapResource(int32_t id, int32_t dstX, int32_t dstY, int32_t w, int32_t h,
                            int32_t srcX, int32_t srcY, COLORREF key) override;
    bool LoadImage(const char* name, int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                   int32_t srcY, COLORREF key) override;
    int32_t Blit(CSurface* source, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX,
                 int32_t srcY) override;
    int32_t SetColorKey(COLORREF color) override;
    int32_t ClearToColorKey(int32_t x, int32_t y, int32_t w, int32_t h) override;
    int32_t FillRect(int32_t x, int32_t y, int32_t w, int32_t h, COLORREF color) override;
    uint32_t MatchColor(COLORREF color) override;

    int32_t Number() const { return number; }
    CSurface* Inner() const { return inner; }

private:
    CTrace* trace;
    const FailureSet* failures;
    int32_t number;
    CSurface* inner;
};

// One DrawSprite call as the game made it.
struct SSpriteCall {
    CSurface* sheet;
    int32_t x;
    int32_t y;
    int32_t w;
    int32_t h;
    int32_t srcX;
    int32_t srcY;

    bool operator==(const SSpriteCall&) const = default;
};

class CRecordingGraphics : public CGraphics {
public:
    // `inner`, when given, is owned and receives every call as well.
    CRecordingGraphics(CTrace* trace, const FailureSet* failures, CGraphics* inner = nullptr);
    ~CRecordingGraphics() override;
    HRESULT Init(HWND window, int32_t width, int32_t height) override;
    void Release() override;
    int32_t DrawSprite(CSurface* sheet, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override;
    HRESULT FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t pixel) override;
    HRESULT Present(HWND window) override;
    CSurface* CreateSurface(int32_t width, int32_t height, uint32_t flags) override;
    HRESULT GetDC(HDC* dc) override;
    HRESULT ReleaseDC(HDC dc) override;

    // While keepSprites is set, every DrawSprite call, oldest first; a caller
    // may clear it.
    bool keepSprites = false;
    std::vector<SSpriteCall> sprites;

private:
    CTrace* trace;
    const FailureSet* failures;
    CGraphics* inner;
    int32_t surfaceCount = 0;
};

class CRecordingSound : public CSound {
public:
    CRecordingSound(CTrace* trace, const FailureSet* failures);
    ~CRecordingSound() override;
    bool Init(HWND window) override;
    bool LoadWave(const char* path, int32_t slot) override;
    HRESULT Play(int32_t slot) override;
    HRESULT Stop(int32_t slot) override;
    HRESULT SetVolume(int32_t level) override;
    void SetSlotCount(int32_t count) override;
    void* GetDirectSound() override;

private:
    CTrace* trace;
    const FailureSet* failures;
};

class CRecordingMusic : public CMusic {
public:
    CRecordingMusic(CTrace* trace, const FailureSet* failures);
    ~CRecordingMusic() override;
    bool Load(const char* path, int32_t slot) override;
    void SetSlotCount(int32_t count) override;
    void Play(int32_t slot) override;
    void Noop(int32_t value) override;
    HRESULT Stop(int32_t slot) override;
    void SetLoop(int32_t slot, int32_t repeats, int32_t loopStart) override;
    bool Init(HWND window, void* soundDevice) override;

private:
    CTrace* trace;
    const FailureSet* failures;
};

// The program around the game, scripted: devices that record, sleeps that
// only write down how long they would have been, a name-entry dialog
// answered from a queue, and message boxes written down as they are shown.
class CRecordingPlatform : public CPlatform {
public:
    struct Answer {
        bool ok;           // OK pressed; otherwise closed with the close box
        std::string name;  // what was typed, in UTF-8
    };

    explicit CRecordingPlatform(CTrace* trace);
    CGraphics* CreateGraphics() override;
    CSound* CreateSound() override;
    CMusic* CreateMusic() override;
    void Sleep(uint32_t ms) override;
    int32_t RunGameOverDialog(HWND owner) override;
    void ShowMessage(HWND owner, const char* text) override;

    FailureSet failures;
    std::deque<Answer> answers;
    // When set, the drawing device the game gets passes every call on to a
    // device made by this function as well.
    CGraphics* (*makeInnerGraphics)(void* context) = nullptr;
    void* innerContext = nullptr;

private:
    CTrace* trace;
};
