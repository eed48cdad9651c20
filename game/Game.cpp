#include "game/Game.h"

#include <new>
#include <string>

#include "actors/Archer.h"
#include "actors/GameRandom.h"
#include "actors/Scenery.h"
#include "actors/Targets.h"
#include "actors/Touchers.h"
#include "devices/GameNumbers.h"
#include "game/ScoreMessages.h"

namespace {

constexpr COLORREF kMagenta = 0xff00ff;
constexpr COLORREF kWhite = 0xffffff;
constexpr uint32_t kSysMem = kSurfaceSystemMemory;

// Sheet entries the game itself draws from.
enum {
    SHEET_PALM = 0,
    SHEET_SEA = 1,
    SHEET_ISLAND = 2,
    SHEET_CLOUD = 3,
    SHEET_COIN = 4,
    SHEET_BLAST = 5,
    SHEET_SUN = 6,
    SHEET_DIGITS = 7,
    SHEET_BALLOON = 8,
    SHEET_ARCHER = 9,
    SHEET_PRINCESS = 10,
    SHEET_SKY = 11,
    SHEET_DROP = 12,
    SHEET_SHOUT = 13,
    SHEET_ARROW = 14,
    SHEET_GAMEOVER = 15,
    SHEET_TITLE = 16,
    SHEET_BOMB = 17,
    SHEET_STAR = 18,
    SHEET_PAUSE = 19,
};

constexpr int32_t kFirstBitmap = 2000;
constexpr int32_t kWipeTileWidth = 64;
constexpr int32_t kWipeTileHeight = 48;
constexpr uint32_t kWipeSleep = 5;

// `value` lowered by `step`, but never below `bound`; a `value` already at or
// below `bound` comes back as `bound`.
int32_t LowerTo(int32_t value, int32_t step, int32_t bound) {
    return value - step > bound ? value - step : bound;
}

}  // namespace

const SheetInfo kSheetTable[kSheetCount] = {
    {840, 380, kSysMem, kMagenta},  // palm tree, 3 pictures
    {640, 108, kSysMem, kMagenta},  // sea band
    {180, 96, kSysMem, kMagenta},   // island
    {240, 123, kSysMem, kMagenta},  // cloud
    {150, 50, 0, kMagenta},         // coin, 3 pictures
    {192, 64, 0, kMagenta},         // blast, 3 pictures
    {180, 90, 0, kMagenta},         // sun, 2 pictures
    {400, 40, 0, kMagenta},         // score digits
    {96, 91, 0, kWhite},            // balloons, 2 pictures
    {350, 91, 0, kMagenta},         // archer, 5 pictures
    {80, 112, 0, kMagenta},         // princess
    {640, 480, 0, kMagenta},        // sky
    {8, 8, 0, kMagenta},            // drop
    {140, 47, 0, kMagenta},         // speech bubble, 2 pictures
    {40, 7, 0, kMagenta},           // arrow
    {250, 150, 0, kMagenta},        // GAME OVER
    {640, 480, 0, kMagenta},        // title screen
    {64, 64, 0, kMagenta},          // bomb
    {256, 64, 0, kMagenta},         // star, 4 pictures
    {250, 80, 0, kMagenta},         // PAUSE
};

void DrawScore(CGraphics* graphics, CSurface* digits, int32_t score) {
    graphics->DrawSprite(digits, 590, 10, 40, 40, 40 * (score % 10), 0);
    if (score > 9) {
        graphics->DrawSprite(digits, 550, 10, 40, 40, 40 * ((score / 10) % 10), 0);
    }
    if (score > 99) {
        graphics->DrawSprite(digits, 510, 10, 40, 40, 40 * ((score / 100) % 10), 0);
    }
    if (score > 999) {
        graphics->DrawSprite(digits, 470, 10, 40, 40, 40 * ((score / 1000) % 10), 0);
    }
}

CGame::CGame(CPlatform* gamePlatform)
    : platform(gamePlatform),
      ready(false),
      graphics(nullptr),
      sheets{},
      music(nullptr),
      sound(nullptr),
      score(0),
      state(STATE_TITLE),
      paused(false),
      tick(0),
      window(nullptr),
      coinOdds(100),
      balloonOdds(100),
      dropOdds(100),
      bombOdds(200),
      starOdds(200),
      bombSpeed(3),
      coinSpeed(3),
      balloonRise(1),
      arrowSpeed(2),
      starSpeed(2),
      keepScores(true),
      highScores{},
      scoreKeeper(&FileScoreKeeper()) {}

CGame::~CGame() {
    actors.Clear();
    for (int32_t i = kSheetCount - 1; i >= 0; --i) {
        delete sheets[i];
        sheets[i] = nullptr;
    }
    delete graphics;
    graphics = nullptr;
    delete music;
    music = nullptr;
    delete sound;
    sound = nullptr;
}

bool CGame::Init(HWND gameWindow, int32_t width, int32_t height) {
    window = gameWindow;

    graphics = platform->CreateGraphics();
    if (graphics == nullptr) {
        return false;
    }
    if (graphics->Init(window, width, height) != 0) {
        delete graphics;
        graphics = nullptr;
        return false;
    }

    for (int32_t i = 0; i < kSheetCount; ++i) {
        const SheetInfo& info = kSheetTable[i];
        sheets[i] = graphics->CreateSurface(info.width, info.height, info.flags);
        if (sheets[i] == nullptr) {
            return false;
        }
        if (!sheets[i]->LoadBitmapResource(kFirstBitmap + i, 0, 0, info.width, info.height, 0, 0,
                                           info.key)) {
            return false;
        }
    }

    sound = platform->CreateSound();
    if (sound == nullptr) {
        return false;
    }
    if (!sound->Init(window)) {
        delete sound;
        sound = nullptr;
        return false;
    }
    sound->SetSlotCount(1);
    if (!sound->LoadWave("sound//kyu.wav", 0)) {
        return false;
    }

    music = platform->CreateMusic();
    if (music == nullptr) {
        return false;
    }
    if (!music->Init(window, sound->GetDirectSound())) {
        delete music;
        music = nullptr;
        return false;
    }
    music->SetSlotCount(2);
    if (!music->Load("sound//play.mid", 0)) {
        return false;
    }
    if (!music->Load("sound//gameover.mid", 1)) {
        return false;
    }
    music->SetLoop(0, kMusicLoopRepeats, kMusicLoopStart);
    music->SetLoop(1, kMusicLoopRepeats, kMusicLoopStart);

    paused = false;
    state = STATE_TITLE;
    ready = true;
    return true;
}

void CGame::Tick() {
    if (!ready) {
        return;
    }
    switch (state) {
        case STATE_TITLE:
            ShowTitle();
            break;
        case STATE_PLAY:
            if (paused) {
                graphics->DrawSprite(sheets[SHEET_PAUSE], 195, 150, 250, 80, 0, 0);
                graphics->Present(window);
            } else {
                PlayStep();
            }
            break;
        case STATE_GAMEOVER:
        case STATE_ENDED:
            GameOverStep();
            break;
        default:
            break;
    }
}

void CGame::OnClick(int32_t x, int32_t y) {
    if (!ready) {
        return;
    }
    switch (state) {
        case STATE_TITLE:
            StartGame();
            BeginPlay();
            break;
        case STATE_PLAY:
            if (!paused) {
                sound->Play(0);
                actors.Append(new (std::nothrow) CBlast(x + 4, y + 4, sheets[SHEET_BLAST]));
            }
            break;
        case STATE_GAMEOVER:
            ReturnToTitle();
            break;
        default:
            break;
    }
}

void CGame::TogglePause() {
    paused = !paused;
}

void CGame::Paint() {
    if (graphics != nullptr) {
        graphics->Present(window);
    }
}

void CGame::ShowTitle() {
    graphics->DrawSprite(sheets[SHEET_TITLE], 0, 0, 640, 480, 0, 0);
    graphics->Present(window);
}

void CGame::StartGame() {
    coinOdds = 100;
    balloonOdds = 100;
    dropOdds = 100;
    bombOdds = 200;
    starOdds = 200;
    coinSpeed = 3;
    bombSpeed = 3;
    score = 0;
    tick = 0;
    starSpeed = 2;
    balloonRise = 1;
    arrowSpeed = 2;

    actors.Append(new (std::nothrow) CCloud(100, 40, -0.5, sheets[SHEET_CLOUD]));
    actors.Append(new (std::nothrow) CCloud(400, 100, -1.0, sheets[SHEET_CLOUD]));
    actors.Append(new (std::nothrow) CSea(10, 372, sheets[SHEET_SEA]));
    actors.Append(new (std::nothrow) CPalm(365, 60, sheets[SHEET_PALM]));
    actors.Append(new (std::nothrow) CIsland(0, 348, sheets[SHEET_ISLAND]));
    actors.Append(new (std::nothrow) CSun(0, 0, sheets[SHEET_SUN]));
    actors.Append(new (std::nothrow) CPrincess(50, 280, sheets[SHEET_PRINCESS]));
    const int32_t shout = GameRandom() % 2;
    actors.Append(new (std::nothrow) CShout(0, 260, shout, sheets[SHEET_SHOUT]));
    actors.Append(new (std::nothrow) CArcher(420, 280, sheets[SHEET_ARCHER]));
}

void CGame::BeginPlay() {
    for (int32_t y = 0; y <= 432; y += kWipeTileHeight) {
        for (int32_t x = 0; x <= 576; x += kWipeTileWidth) {
            graphics->FillRect(x, y, kWipeTileWidth, kWipeTileHeight, 0);
            graphics->Present(window);
            platform->Sleep(kWipeSleep);
        }
    }
    state = STATE_PLAY;
    music->Play(0);
}

void CGame::ReturnToTitle() {
    actors.Clear();
    music->Stop(1);
    state = STATE_TITLE;
    for (int32_t y = 432; y >= 0; y -= kWipeTileHeight) {
        for (int32_t x = 576; x >= 0; x -= kWipeTileWidth) {
            graphics->FillRect(x, y, kWipeTileWidth, kWipeTileHeight, 0);
            graphics->Present(window);
            platform->Sleep(kWipeSleep);
        }
    }
}

void CGame::PlayStep() {
    tick = tick + 1;
    if (tick > 40) {
        Spawn();
    }
    MovePass();
    actors.Sweep();
    if (ContactPass()) {
        return;
    }
    Render();
}

void CGame::Spawn() {
    if (tick % 600 == 0) {
        const int32_t level = tick / 600;
        coinOdds = 100 / level;
        balloonOdds = 100 / level;
        bombOdds = 300 / level;
        starOdds = 200 / level;
        coinSpeed = coinSpeed + 1;
        bombSpeed = bombSpeed + 1;
        arrowSpeed = arrowSpeed + 1;
        starSpeed = starSpeed + 1;
        // Balloons rise faster from the first level on: the test looks one
        // step ahead but the rise jumps by two, so it goes from 1 straight to
        // its ceiling of 3 and stays there.
        balloonRise = balloonRise + 1 < 3 ? balloonRise + 2 : 3;
        // Drops come more often with each level, ten odds at a time.
        dropOdds = LowerTo(dropOdds, 10, 10);
    }
    if (tick % 5 == 0) {
        coinOdds = LowerTo(coinOdds, 1, 30);
        dropOdds = LowerTo(dropOdds, 1, 20);
        balloonOdds = LowerTo(balloonOdds, 1, 20);
        // Bombs follow the balloons' odds, not their own: whatever a level
        // step gave bombOdds is replaced here, and as balloonOdds never
        // passes 100 the bombs settle at their bound of 100 from tick 45 on.
        bombOdds = LowerTo(balloonOdds, 3, 100);
        starOdds = LowerTo(starOdds, 1, 100);
    }

    // Every draw below is taken into a local first: the order of the draws
    // is part of the game.
    if (GameRandom() % coinOdds == 0) {
        actors.Append(new (std::nothrow) CCoin(coinSpeed, sheets[SHEET_COIN]));
    }
    if (tick > 200) {
        if (GameRandom() % balloonOdds == 0) {
            const int32_t x = GameRandom() % 220 + 140;
            const int32_t vy = -(GameRandom() % 3) - balloonRise;
            const int32_t picture = GameRandom() % 2;
            actors.Append(new (std::nothrow) CBalloon(x, 300, vy, picture, sheets[SHEET_BALLOON]));
        }
    }
    if (GameRandom() % dropOdds == 0) {
        const int32_t y = GameRandom() % 30 + 290;
        const int32_t speed = GameRandom() % 2 + 1;
        actors.Append(new (std::nothrow) CDrop(70, y, speed, sheets[SHEET_DROP]));
    }
    if (GameRandom() % bombOdds == 0 && tick > 300) {
        actors.Append(new (std::nothrow) CBomb(bombSpeed, sheets[SHEET_BOMB]));
    }
    if (GameRandom() % starOdds == 0 && tick > 900) {
        const int32_t x = GameRandom() % 50 + 40;
        const int32_t vy = GameRandom() % 2 + starSpeed;
        actors.Append(new (std::nothrow) CStar(x, -64, vy, sheets[SHEET_STAR]));
    }
}

void CGame::MovePass() {
    // The size is read anew each time round: an arrow shot during the walk
    // is moved in this same pass.
    for (size_t i = 0; i < actors.Size(); ++i) {
        CActor* actor = actors.At(i);
        const int32_t result = actor->Move();
        if (result == MOVE_REMOVE) {
            actors.DestroyAt(i);
        } else if (result == MOVE_SHOOT) {
            const int32_t vx = -(GameRandom() % 2) - arrowSpeed;
            actors.Append(new (std::nothrow) CArrow(400, 325, vx, sheets[SHEET_ARROW]));
        }
    }
}

bool CGame::ContactPass() {
    const size_t count = actors.Size();
    for (size_t i = 0; i < count; ++i) {
        CActor* toucher = actors.At(i);
        const int32_t kind = toucher->GetKind();
        if (kind != KIND_BLAST && kind != KIND_PRINCESS) {
            continue;
        }
        for (size_t j = 0; j < count; ++j) {
            switch (toucher->Touch(actors.At(j))) {
                case TOUCH_COIN:
                case TOUCH_ARROW:
                    score += 5;
                    break;
                case TOUCH_BALLOON:
                    score += 10;
                    break;
                case TOUCH_STAR:
                    score += 15;
                    break;
                case TOUCH_BOMB:
                case TOUCH_PRINCESS_HURT:
                    music->Stop(0);
                    music->Play(1);
                    state = STATE_ENDED;
                    return true;
                default:
                    break;
            }
        }
    }
    return false;
}

void CGame::Render() {
    actors.RegroupByLayer();
    graphics->DrawSprite(sheets[SHEET_SKY], 0, 0, 640, 480, 0, 0);
    for (size_t i = 0; i < actors.Size(); ++i) {
        actors.At(i)->Draw(graphics);
    }
    DrawScore(graphics, sheets[SHEET_DIGITS], score);
    graphics->Present(window);
}

void CGame::GameOverStep() {
    graphics->DrawSprite(sheets[SHEET_GAMEOVER], 195, 115, 250, 150, 0, 0);
    graphics->Present(window);
    if (state != STATE_ENDED) {
        return;
    }
    state = STATE_GAMEOVER;
    if (!LoadScores() || QualifyingRank() == 0) {
        return;
    }
    if (!scoreKeeper->WritePlace(QualifyingRank())) {
        platform->ShowMessage(window, kScoreNotSavedText);
        return;
    }
    if (platform->RunGameOverDialog(window) == 1) {
        const ScoreSaveResult saved = InsertScore();
        if (saved == SCORE_SAVE_STORED_BARE) {
            platform->ShowMessage(window, kReplayNotKeptText);
        } else if (saved != SCORE_SAVE_STORED) {
            platform->ShowMessage(
                window, saved == SCORE_SAVE_OUTRANKED ? kScoreOutrankedText : kScoreNotSavedText);
        }
    }
    scoreKeeper->DeleteTemp();
    ReturnToTitle();
}

bool CGame::LoadScores() {
    if (!keepScores) {
        SetDefaultScores(highScores);
        return false;
    }
    const ScoreFileState state = scoreKeeper->Load(highScores);
    if (state == SCORE_FILE_UNREADABLE || state == SCORE_FILE_NO_FOLDER) {
        keepScores = false;
        platform->ShowMessage(
            window, state == SCORE_FILE_NO_FOLDER ? kScoresNoFolderText : kScoresNotKeptText);
        return false;
    }
    return true;
}

int32_t CGame::QualifyingRank() {
    return ::QualifyingRank(highScores, score);
}

ScoreSaveResult CGame::InsertScore() {
    // The game has no replay of its own: a recorded session's keeper adds
    // the session's.
    return scoreKeeper->Insert(highScores, score, std::string());
}
