#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "actors/Archer.h"
#include "actors/GameRandom.h"
#include "actors/Scenery.h"
#include "actors/Targets.h"
#include "actors/Touchers.h"
#include "game/Game.h"
#include "tools/recording/GameProbe.h"
#include "tools/recording/RecordingDevices.h"

namespace {

// Actors put where a test wants them.
template <class T>
class CPlaced : public T {
public:
    template <class... Args>
    CPlaced(double px, double py, Args... args) : T(args...) {
        this->x = px;
        this->y = py;
    }
};

class PlayFixture : public ::testing::Test {
protected:
    void SetUp() override {
        savedRandom = GameRandomState();
        SetGameRandomState(1);
        savedFireOdds = CArcher::fireOdds;
        CArcher::fireOdds = 300;
        game = new CGame(&platform);
        ASSERT_TRUE(game->Init(nullptr, 640, 480));
    }
    void TearDown() override {
        delete game;
        SetGameRandomState(savedRandom);
        CArcher::fireOdds = savedFireOdds;
    }
    CSurface* Sheet(int index) { return CGameProbe::Sheet(*game, index); }

    CTrace trace{nullptr, false};
    CRecordingPlatform platform{&trace};
    CGame* game = nullptr;
    uint32_t savedRandom = 0;
    int32_t savedFireOdds = 0;
};

struct Sighting {
    int tick;
    double x;
    double y;
};

// The first game of the run, followed step by step: when each kind first
// appears, and where it is after its first move.
TEST_F(PlayFixture, FirstGameSchedule) {
    game->OnClick(320, 240);
    EXPECT_EQ(GameRandomState(), 214013u + 2531011u);  // one draw: the speech bubble

    CActorList& actors = CGameProbe::Actors(*game);
    std::map<int32_t, Sighting> first;
    for (int step = 1; step <= 1100; ++step) {
        const uint32_t before = GameRandomState();
        const size_t oldCount = actors.Size();
        CGameProbe::StepWithoutContact(*game);
        if (step == 41) {
            // Four draws, none succeeding: 18467, 6334, 26500, 19169.
            uint32_t state = before;
            std::vector<int32_t> drawn;
            while (state != GameRandomState() && drawn.size() < 10) {
                state = state * 214013u + 2531011u;
                drawn.push_back(static_cast<int32_t>((state >> 16) & 0x7fff));
            }
            EXPECT_EQ(drawn, (std::vector<int32_t>{18467, 6334, 26500, 19169}));
            EXPECT_EQ(actors.Size(), oldCount);
        }
        for (size_t i = 0; i < actors.Size(); ++i) {
            CActor* actor = actors.At(i);
            int32_t kind = actor->GetKind();
            if (kind == KIND_SCENERY && dynamic_cast<CDrop*>(actor) != nullptr) {
                kind = 100;  // drops are scenery; tell them apart
            }
            if (first.count(kind) == 0) {
                first[kind] = {step, actor->X(), actor->Y()};
            }
        }
    }
    ASSERT_EQ(first.count(KIND_COIN), 1u);
    EXPECT_EQ(first[KIND_COIN].tick, 69);
    EXPECT_DOUBLE_EQ(first[KIND_COIN].x, 505.0);  // 509, one step of -4
    EXPECT_EQ(first[100].tick, 134);
    EXPECT_DOUBLE_EQ(first[100].x, 69.0);  // (70, 301) at speed 1
    EXPECT_DOUBLE_EQ(first[100].y, 300.0);
    EXPECT_EQ(first[KIND_BALLOON].tick, 213);
    EXPECT_DOUBLE_EQ(first[KIND_BALLOON].y, 299.0);
    EXPECT_DOUBLE_EQ(first[KIND_BALLOON].x, 279.0 - std::sin(0.4));
    EXPECT_EQ(first[KIND_BOMB].tick, 575);
    EXPECT_EQ(first[KIND_STAR].tick, 1030);
    EXPECT_DOUBLE_EQ(first[KIND_STAR].x, 64.0);
    EXPECT_DOUBLE_EQ(first[KIND_STAR].y, -61.0);  // falling at 3
    EXPECT_EQ(first[KIND_ARROW].tick, 1074);
    EXPECT_DOUBLE_EQ(first[KIND_ARROW].x, 397.0);  // made at 400 and moved at -3
    EXPECT_DOUBLE_EQ(first[KIND_ARROW].y, 325.0);
}

// A field of the test's own making, tested by the real contact pass.
class ContactFixture : public PlayFixture {
protected:
    void SetUp() override {
        PlayFixture::SetUp();
        game->OnClick(320, 240);  // into play, with the opening scene
        CGameProbe::Actors(*game).Clear();
    }
    void Add(CActor* actor) { CGameProbe::Actors(*game).Append(actor); }
    // A blast whose current rectangle is (x + 26, y + 26, x + 38, y + 38).
    CActor* BlastAt(double x, double y) { return new CPlaced<CBlast>(x, y, 0, 0, Sheet(5)); }
};

TEST_F(ContactFixture, TwoBlastsOnOneCoinScoreOnce) {
    auto* coin = new CPlaced<CCoin>(100, 100, 3, Sheet(4));  // rect (110, 110, 140, 140)
    Add(coin);
    Add(BlastAt(90, 90));  // (116, 116, 128, 128)
    Add(BlastAt(95, 95));
    EXPECT_FALSE(CGameProbe::ContactPass(*game));
    EXPECT_EQ(CGameProbe::Score(*game), 5);
    EXPECT_EQ(coin->IsActive(), 0);
    // Later steps cannot score it again.
    EXPECT_FALSE(CGameProbe::ContactPass(*game));
    EXPECT_EQ(CGameProbe::Score(*game), 5);
}

TEST_F(ContactFixture, OneBlastScoresEverythingItCovers) {
    Add(new CPlaced<CCoin>(100, 100, 3, Sheet(4)));
    Add(new CPlaced<CBalloon>(110, 110, 0, 0, -1, 0, Sheet(8)));  // (110, 110, 158, 171)
    Add(new CPlaced<CArrow>(100, 118, 0, 0, -2, Sheet(14)));      // (100, 120, 140, 123)
    Add(new CPlaced<CArcher>(100, 100, 0, 0, Sheet(9)));          // covered: nothing
    Add(BlastAt(90, 90));
    EXPECT_FALSE(CGameProbe::ContactPass(*game));
    EXPECT_EQ(CGameProbe::Score(*game), 20);
}

TEST_F(ContactFixture, AStruckStarStillHurtsThePrincess) {
    Add(new CPlaced<CPrincess>(50, 280, 0, 0, Sheet(10)));           // (65, 310, 115, 392)
    auto* star = new CPlaced<CStar>(60, 300, 0, 0, 2.0, Sheet(18));  // (75, 315, 109, 349)
    star->Hit();
    Add(star);
    EXPECT_TRUE(CGameProbe::ContactPass(*game));
    EXPECT_EQ(game->State(), STATE_ENDED);
}

TEST_F(ContactFixture, ThePrincessIgnoresBalloonsAndBombs) {
    Add(new CPlaced<CPrincess>(50, 280, 0, 0, Sheet(10)));
    Add(new CPlaced<CBalloon>(60, 300, 0, 0, -1, 0, Sheet(8)));
    Add(new CPlaced<CBomb>(50, 300, 3, Sheet(17)));
    EXPECT_FALSE(CGameProbe::ContactPass(*game));
    EXPECT_EQ(game->State(), STATE_PLAY);
}

// A blast over a star and a bomb: what comes first in the list decides
// whether the star's 15 points are counted before the game ends.
TEST_F(ContactFixture, StarBeforeBombScoresThenEnds) {
    Add(new CPlaced<CStar>(200, 200, 0, 0, 2.0, Sheet(18)));  // (215, 215, 249, 249)
    Add(new CPlaced<CBomb>(190, 190, 3, Sheet(17)));          // (220, 228, 224, 232)
    Add(BlastAt(194, 194));                                   // (220, 220, 232, 232)
    trace.lines.clear();
    EXPECT_TRUE(CGameProbe::ContactPass(*game));
    EXPECT_EQ(CGameProbe::Score(*game), 15);
    EXPECT_EQ(game->State(), STATE_ENDED);
}

TEST_F(ContactFixture, BombBeforeStarEndsWithoutScoring) {
    auto* star = new CPlaced<CStar>(200, 200, 0, 0, 2.0, Sheet(18));
    Add(new CPlaced<CBomb>(190, 190, 3, Sheet(17)));
    Add(star);
    Add(BlastAt(194, 194));
    EXPECT_TRUE(CGameProbe::ContactPass(*game));
    EXPECT_EQ(CGameProbe::Score(*game), 0);
    EXPECT_EQ(star->IsActive(), 1);  // the pass stopped before the star
}

// The princess stands ahead of every blast, so a coin on her ends the game
// even when a blast covers the same coin in the same step.
TEST_F(ContactFixture, ThePrincessIsTestedBeforeAnyBlast) {
    Add(new CPlaced<CPrincess>(50, 280, 0, 0, Sheet(10)));
    auto* coin = new CPlaced<CCoin>(60, 300, 3, Sheet(4));  // (70, 310, 100, 340)
    Add(coin);
    Add(BlastAt(50, 290));
    EXPECT_TRUE(CGameProbe::ContactPass(*game));
    EXPECT_EQ(CGameProbe::Score(*game), 0);
    EXPECT_EQ(coin->IsActive(), 1);
}

}  // namespace
