#include "replay/ReplayPlayer.h"

#include <new>

#include "actors/GameRandom.h"
#include "replay/ReplayPlatform.h"
#include "replay/ReplayRun.h"
#include "replay/ReplayScript.h"

namespace {

// The form's devices, silenced while `shown` is false: nothing is drawn,
// presented or played, but sheets, sounds and music are made and loaded.
class CHiddenGraphics : public CGraphics {
public:
    CHiddenGraphics(CGraphics* inner, const bool* shown) : inner(inner), shown(shown) {}
    ~CHiddenGraphics() override { delete inner; }
    HRESULT Init(HWND window, int32_t width, int32_t height) override {
        return inner->Init(window, width, height);
    }
    void Release() override { inner->Release(); }
    int32_t DrawSprite(CSurface* sheet, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override {
        return *shown ? inner->DrawSprite(sheet, x, y, w, h, srcX, srcY) : 1;
    }
    HRESULT FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t pixel) override {
        return *shown ? inner->FillRect(x, y, w, h, pixel) : 0;
    }
    HRESULT Present(HWND window) override { return *shown ? inner->Present(window) : 0; }
    CSurface* CreateSurface(int32_t width, int32_t height, uint32_t flags) override {
        return inner->CreateSurface(width, height, flags);
    }
    HRESULT GetDC(HDC* dc) override { return inner->GetDC(dc); }
    HRESULT ReleaseDC(HDC dc) override { return inner->ReleaseDC(dc); }

private:
    CGraphics* inner;
    const bool* shown;
};

class CHiddenSound : public CSound {
public:
    CHiddenSound(CSound* inner, const bool* shown) : inner(inner), shown(shown) {}
    ~CHiddenSound() override { delete inner; }
    bool Init(HWND window) override { return inner->Init(window); }
    bool LoadWave(const char* path, int32_t slot) override { return inner->LoadWave(path, slot); }
    HRESULT Play(int32_t slot) override { return *shown ? inner->Play(slot) : 0; }
    HRESULT Stop(int32_t slot) override { return *shown ? inner->Stop(slot) : 0; }
    HRESULT SetVolume(int32_t level) override { return inner->SetVolume(level); }
    void SetSlotCount(int32_t count) override { inner->SetSlotCount(count); }
    void* GetDirectSound() override { return inner->GetDirectSound(); }

private:
    CSound* inner;
    const bool* shown;
};

class CHiddenMusic : public CMusic {
public:
    CHiddenMusic(CMusic* inner, const bool* shown) : inner(inner), shown(shown) {}
    ~CHiddenMusic() override { delete inner; }
    bool Load(const char* path, int32_t slot) override { return inner->Load(path, slot); }
    void SetSlotCount(int32_t count) override { inner->SetSlotCount(count); }
    void Play(int32_t slot) override {
        if (*shown) {
            inner->Play(slot);
        }
    }
    void Noop(int32_t value) override { inner->Noop(value); }
    HRESULT Stop(int32_t slot) override { return *shown ? inner->Stop(slot) : 0; }
    void SetLoop(int32_t slot, int32_t repeats, int32_t loopStart) override {
        inner->SetLoop(slot, repeats, loopStart);
    }
    bool Init(HWND window, void* soundDevice) override { return inner->Init(window, soundDevice); }

private:
    CMusic* inner;
    const bool* shown;
};

// The form's platform with its devices wrapped; its sleeps only when shown.
class CHiddenPlatform : public CPlatform {
public:
    CHiddenPlatform(CPlatform* inner, const bool* shown) : inner(inner), shown(shown) {}
    CGraphics* CreateGraphics() override {
        CGraphics* made = inner->CreateGraphics();
        return made != nullptr ? new (std::nothrow) CHiddenGraphics(made, shown) : nullptr;
    }
    CSound* CreateSound() override {
        CSound* made = inner->CreateSound();
        return made != nullptr ? new (std::nothrow) CHiddenSound(made, shown) : nullptr;
    }
    CMusic* CreateMusic() override {
        CMusic* made = inner->CreateMusic();
        return made != nullptr ? new (std::nothrow) CHiddenMusic(made, shown) : nullptr;
    }
    void Sleep(uint32_t ms) override {
        if (*shown) {
            inner->Sleep(ms);
        }
    }
    int32_t RunGameOverDialog(HWND) override { return 0; }
    void ShowMessage(HWND, const char*) override {}

private:
    CPlatform* inner;
    const bool* shown;
};

// Swaps the replay's generator state in for as long as it lives.
class CRandomSwap {
public:
    explicit CRandomSwap(uint32_t* replayState) : replayState(replayState) {
        own = GameRandomState();
        SetGameRandomState(*replayState);
    }
    ~CRandomSwap() {
        *replayState = GameRandomState();
        SetGameRandomState(own);
    }
    CRandomSwap(const CRandomSwap&) = delete;
    CRandomSwap& operator=(const CRandomSwap&) = delete;

private:
    uint32_t* replayState;
    uint32_t own;
};

}  // namespace

struct CReplayPlayer::SState {
    explicit SState(CPlatform* devices)
        : hidden(devices, &shown), platform(&hidden, &table), keeper(&table), game(&platform) {}
    bool shown = false;
    SReplayScript script;
    CHiddenPlatform hidden;
    CMemoryScoreKeeper table;
    CReplayPlatform platform;
    CReplayScoreKeeper keeper;
    CGame game;
    std::unique_ptr<CReplayRun> run;
    uint32_t randomState = 1;
    std::string error;
};

CReplayPlayer::CReplayPlayer(CPlatform* formDevices) : devices(formDevices) {}

CReplayPlayer::~CReplayPlayer() = default;

bool CReplayPlayer::Start(std::string_view text, size_t first, HWND window, int32_t width,
                          int32_t height, std::string* error) {
    state = std::make_unique<SState>(devices);
    SState& s = *state;
    if (!ReadReplayScript(text, true, &s.script, error)) {
        state.reset();
        return false;
    }
    if (first == kLastGame) {
        // Each game that ends has its score line.
        first = 0;
        for (const SReplayCommand& command : s.script.commands) {
            first += command.kind == REPLAY_SCORE ? 1 : 0;
        }
        first = first > 0 ? first - 1 : 0;
    }
    s.game.SetScoreKeeper(&s.keeper);
    if (!s.game.Init(window, width, height)) {
        *error = "the replay's game could not be set up";
        state.reset();
        return false;
    }
    s.platform.quick = true;
    {
        CRandomSwap swap(&s.randomState);
        s.run = std::make_unique<CReplayRun>(s.script, &s.game, &s.keeper, &s.platform);
        if (!s.run->RunToGame(first)) {
            *error = s.run->Failed() ? s.run->Error()
                                     : "the replay has no game " + std::to_string(first + 1);
            state.reset();
            return false;
        }
    }
    s.shown = true;
    s.platform.quick = false;
    return true;
}

bool CReplayPlayer::Step() {
    if (!state) {
        return false;
    }
    CRandomSwap swap(&state->randomState);
    return state->run->Step();
}

const std::string& CReplayPlayer::Error() const {
    static const std::string none;
    return state && state->run ? state->run->Error() : none;
}

const CGame* CReplayPlayer::Game() const {
    return state ? &state->game : nullptr;
}
