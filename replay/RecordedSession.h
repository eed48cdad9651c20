// The game session as the forms drive it, recorded: every tick, click and
// Enter the form passes on, and what the game read at each game over (the
// table, whether the name entry could take the place, its answer), kept in
// memory as the text of a replay. Recording only watches: the game behaves
// exactly as it does without it.
//
// A recording keeps within a reader's limits. Once it holds 3/4 of the
// ticks or bytes a reader takes, it starts afresh at the next title screen
// from the state there (the generator's state and the pause flag). Should a
// game run into the limits themselves (a game paused for hours), the
// recording goes back to where that game started, records nothing more, and
// starts afresh at the next title screen.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "devices/Platform.h"
#include "game/Game.h"
#include "replay/ReplayScript.h"
#include "scores/ScoreKeeper.h"

// A row that a game over stored, with the replay that earned it.
struct SStoredRow {
    int32_t place = 0;
    int32_t score = 0;
    std::string name;    // UTF-8, as the table keeps it
    std::string replay;  // the session's replay up to this game over, ending with `end`
};

// The game's version, as a replay's first line gives it.
const char* GameVersionText();

class CRecordedSession {
public:
    // `form` names the program in the replay's first line (linux,
    // windows-x86, windows-x64, web, replay); `keeper` null keeps the
    // scores in the score files.
    CRecordedSession(CPlatform* platform, const char* form, CScoreKeeper* keeper = nullptr);
    CRecordedSession(const CRecordedSession&) = delete;
    CRecordedSession& operator=(const CRecordedSession&) = delete;

    bool Init(HWND window, int32_t width, int32_t height) {
        return game.Init(window, width, height);
    }
    void Tick();
    void OnClick(int32_t x, int32_t y);
    void TogglePause();
    void Paint() { game.Paint(); }

    const CGame& Game() const { return game; }

    // The replay of the session so far, ending with `end`.
    std::string Text() const;
    // Told after each game over that stored a row.
    void SetRowObserver(std::function<void(const SStoredRow&)> observer) {
        rowObserver = std::move(observer);
    }
    // The clock the first line's time is read from (seconds since 1970,
    // UTC); the system's unless set. Starts the recording again.
    void SetClock(int64_t (*clock)());
    // Sets the generator's state and starts the recording again from it;
    // for a replay made from a script, before its first tick, click or Enter.
    void Reseed(uint32_t seed);

private:
    // Passes everything on, and notes the name entry's answer.
    class CWatchingPlatform : public CPlatform {
    public:
        CWatchingPlatform(CPlatform* inner, CScoreKeeper* keeper) : inner(inner), keeper(keeper) {}
        CGraphics* CreateGraphics() override { return inner->CreateGraphics(); }
        CSound* CreateSound() override { return inner->CreateSound(); }
        CMusic* CreateMusic() override { return inner->CreateMusic(); }
        void Sleep(uint32_t ms) override { inner->Sleep(ms); }
        int32_t RunGameOverDialog(HWND owner) override;
        void ShowMessage(HWND owner, const char* text) override { inner->ShowMessage(owner, text); }

        bool ran = false;
        bool named = false;
        std::string name;  // UTF-8

    private:
        CPlatform* inner;
        CScoreKeeper* keeper;
    };

    // Passes everything on, and notes the table read and the row stored; a
    // row goes to the keeper with the session's replay up to its game over.
    class CWatchingKeeper : public CScoreKeeper {
    public:
        CWatchingKeeper(CScoreKeeper* inner, const CRecordedSession* session)
            : inner(inner), session(session) {}
        ScoreFileState Load(ScoreEntry* table) override;
        bool WritePlace(int32_t place) override;
        bool ReadName(std::string* cp932) override { return inner->ReadName(cp932); }
        ScoreSaveResult Insert(ScoreEntry* table, int32_t score,
                               const std::string& replay) override;
        void DeleteTemp() override { inner->DeleteTemp(); }
        bool Replace(const ScoreEntry* table) override { return inner->Replace(table); }

        SReplayTable table;
        bool loaded = false;
        bool stored = false;
        SStoredRow row;

    private:
        CScoreKeeper* inner;
        const CRecordedSession* session;
    };

    // The lines of the game over that the tick now running runs: its table,
    // the name entry's answer when the entry opened, the tick itself.
    std::string GameOverLines() const;
    // During the tick that runs a game over: the replay as it reads once
    // that tick is written, ending with `end`; empty when the recording
    // keeps nothing of it (it has run into the limits).
    std::string RowReplay() const;
    void Restart();
    void Abandon();
    bool Write(const std::string& line);
    bool FlushTicks();
    bool NearLimits() const;

    CWatchingKeeper keeper;
    CWatchingPlatform platform;
    CGame game;
    const char* form;
    int64_t (*clock)();
    std::function<void(const SStoredRow&)> rowObserver;

    std::string body;
    int64_t ticks = 0;
    int64_t pendingTicks = 0;
    int32_t inputs = 0;
    // Where the last game started: a recording that runs into the limits
    // goes back there.
    size_t markBytes = 0;
    int64_t markTicks = 0;
    bool frozen = false;
};
