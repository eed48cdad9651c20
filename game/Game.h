// The one game session: devices, sheets, actors, score and the four states.
#pragma once

#include <cstdint>

#include "actors/Actor.h"
#include "devices/Platform.h"
#include "scores/ScoreKeeper.h"
#include "scores/ScoreTable.h"

enum {
    STATE_TITLE = 0,
    STATE_PLAY = 1,
    STATE_GAMEOVER = 2,
    STATE_ENDED = 3,
};

constexpr int32_t kSheetCount = 20;

// One entry of the sheet table: bitmap resource 2000 + index.
struct SheetInfo {
    int32_t width;
    int32_t height;
    uint32_t flags;
    COLORREF key;
};
extern const SheetInfo kSheetTable[kSheetCount];

// Draws the score at the top right with the digit sheet: always the units,
// the tens from 10, the hundreds from 100, the thousands from 1000; there is
// no fifth digit.
void DrawScore(CGraphics* graphics, CSurface* digits, int32_t score);

class CGame {
public:
    explicit CGame(CPlatform* platform);
    ~CGame();
    CGame(const CGame&) = delete;
    CGame& operator=(const CGame&) = delete;

    bool Init(HWND window, int32_t width, int32_t height);
    void Tick();
    void OnClick(int32_t x, int32_t y);
    void TogglePause();
    void Paint();
    // Where the table is kept at a game over; the score files unless set.
    void SetScoreKeeper(CScoreKeeper* keeper) { scoreKeeper = keeper; }

    // Read-only views for the program around the game and for tests.
    int32_t State() const { return state; }
    bool Paused() const { return paused; }
    int32_t Score() const { return score; }
    int32_t PlayTick() const { return tick; }
    const CActorList& Actors() const { return actors; }

private:
    // Tests and the benchmark reach inside through this one door.
    friend class CGameProbe;

    void ShowTitle();
    void StartGame();
    void BeginPlay();
    void PlayStep();
    void Spawn();
    void MovePass();
    bool ContactPass();
    void Render();
    void GameOverStep();
    void ReturnToTitle();
    bool LoadScores();
    int32_t QualifyingRank();
    bool InsertScore();

    CPlatform* platform;
    // Set once Init has succeeded; before that ticks and clicks do nothing.
    bool ready;

    CGraphics* graphics;
    CSurface* sheets[kSheetCount];
    CMusic* music;
    CSound* sound;
    CActorList actors;
    int32_t score;
    int32_t state;
    bool paused;
    int32_t tick;
    HWND window;
    int32_t coinOdds;
    int32_t balloonOdds;
    int32_t dropOdds;
    int32_t bombOdds;
    int32_t starOdds;
    int32_t bombSpeed;
    int32_t coinSpeed;
    int32_t balloonRise;
    int32_t arrowSpeed;
    int32_t starSpeed;
    // Cleared for the rest of the run once the score file is found there but
    // unreadable: it is never written over, and the player is told once.
    bool keepScores;
    ScoreEntry highScores[5];
    CScoreKeeper* scoreKeeper;
};
