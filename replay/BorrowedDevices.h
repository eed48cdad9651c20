// The running game's sound and music players, lent to a replay being
// watched, so that watching opens no second sound device and loads no
// second synthesiser. The replayed game sets its players up exactly as the
// running game did (the same files in the same slots, the same loops), so
// the set-up calls are taken as done and only playing and stopping pass
// through. What the replay started is stopped when it gives the player
// back. The running game must be at rest meanwhile (at its title, where it
// plays nothing) and outlive the loan.
#pragma once

#include <cstdint>
#include <new>

#include "devices/Music.h"
#include "devices/Platform.h"
#include "devices/Sound.h"

class CBorrowedSound : public CSound {
public:
    explicit CBorrowedSound(CSound* owner) : owner(owner) {}
    bool Init(HWND) override { return true; }
    bool LoadWave(const char*, int32_t) override { return true; }
    HRESULT Play(int32_t slot) override { return owner->Play(slot); }
    HRESULT Stop(int32_t slot) override { return owner->Stop(slot); }
    HRESULT SetVolume(int32_t level) override { return owner->SetVolume(level); }
    void SetSlotCount(int32_t) override {}
    void* GetDirectSound() override { return owner->GetDirectSound(); }

private:
    CSound* owner;
};

class CBorrowedMusic : public CMusic {
public:
    explicit CBorrowedMusic(CMusic* owner) : owner(owner) {}
    ~CBorrowedMusic() override {
        for (int32_t slot = 0; slot < kSlots; ++slot) {
            if (started[slot]) {
                owner->Stop(slot);
            }
        }
    }
    bool Load(const char*, int32_t) override { return true; }
    void SetSlotCount(int32_t) override {}
    void Play(int32_t slot) override {
        if (slot >= 0 && slot < kSlots) {
            started[slot] = true;
        }
        owner->Play(slot);
    }
    void Noop(int32_t value) override { owner->Noop(value); }
    HRESULT Stop(int32_t slot) override {
        if (slot >= 0 && slot < kSlots) {
            started[slot] = false;
        }
        return owner->Stop(slot);
    }
    void SetLoop(int32_t, int32_t, int32_t) override {}
    bool Init(HWND, void*) override { return true; }

private:
    // The game's two pieces.
    static constexpr int32_t kSlots = 2;
    CMusic* owner;
    bool started[kSlots] = {};
};

// What a replay being watched draws and sounds with: a drawing device of
// its own from the form's platform, the running game's players borrowed,
// the form's sleep for the wipes; no dialog opens. `TFormPlatform` is the
// form's platform, which tells its game's players (GameSound, GameMusic).
template <class TFormPlatform>
class CWatchDevices : public CPlatform {
public:
    explicit CWatchDevices(TFormPlatform* form) : form(form) {}
    CGraphics* CreateGraphics() override { return form->CreateGraphics(); }
    CSound* CreateSound() override {
        return form->GameSound() != nullptr ? new (std::nothrow) CBorrowedSound(form->GameSound())
                                            : nullptr;
    }
    CMusic* CreateMusic() override {
        return form->GameMusic() != nullptr ? new (std::nothrow) CBorrowedMusic(form->GameMusic())
                                            : nullptr;
    }
    void Sleep(uint32_t ms) override { form->Sleep(ms); }
    int32_t RunGameOverDialog(HWND) override { return 0; }
    void ShowMessage(HWND, const char*) override {}

private:
    TFormPlatform* form;
};
