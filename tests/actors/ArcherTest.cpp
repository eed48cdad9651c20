#include <gtest/gtest.h>

#include "actors/Archer.h"
#include "actors/Touchers.h"
#include "tests/actors/ActorTestSupport.h"

namespace {

CTestSheet g_sheet;

// A random state whose first two draws miss odds of 300 and whose third hits
// odds of 299.
constexpr uint32_t kFireOnThirdState = 1779820893u;

// The shot odds are shared by the whole run; each test starts from a fresh run.
class ArcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedOdds = CArcher::fireOdds;
        CArcher::fireOdds = 300;
    }
    void TearDown() override { CArcher::fireOdds = savedOdds; }
    int32_t savedOdds = 0;
};

TEST_F(ArcherTest, StandsStillWithoutDrawingForNineHundredTicks) {
    CRandomGuard guard(777);
    CArcher archer(420, 280, &g_sheet);
    EXPECT_EQ(archer.GetHitRect(), (RECT{440, 280, 480, 371}));
    for (int32_t n = 1; n <= 900; ++n) {
        ASSERT_EQ(archer.Move(), MOVE_KEEP);
    }
    EXPECT_EQ(GameRandomState(), 777u);
    EXPECT_EQ(CArcher::fireOdds, 300);

    // From tick 901 on exactly one draw per tick, whatever the archer does.
    for (int32_t n = 901; n <= 960; ++n) {
        const uint32_t before = GameRandomState();
        archer.Move();
        const uint32_t after = GameRandomState();
        SetGameRandomState(before);
        GameRandom();
        ASSERT_EQ(GameRandomState(), after) << "tick " << n;
    }
}

TEST_F(ArcherTest, OneShotRunsOnEveryThirdTick) {
    CArcher archer(420, 280, &g_sheet);
    for (int32_t n = 1; n <= 900; ++n) {
        archer.Move();
    }
    CRandomGuard guard(kFireOnThirdState);
    CDrawProbe graphics;
    const int32_t pictures[] = {0, 0, 70, 140, 210, 210, 280, 280};
    int32_t step = 0;
    for (int32_t n = 901; n <= 924; ++n) {
        const int32_t result = archer.Move();
        EXPECT_EQ(result, n == 918 ? MOVE_SHOOT : MOVE_KEEP) << "tick " << n;
        if (n >= 903 && n % 3 == 0) {
            step = (step + 1) % 8;
        }
        EXPECT_EQ(graphics.OnlyCall(archer),
                  (SSpriteCall{&g_sheet, 420, 280, 70, 91, pictures[step], 0}))
            << "tick " << n;
    }
    EXPECT_EQ(step, 0);
}

TEST_F(ArcherTest, OddsShortenAndStayShortForLaterGames) {
    CRandomGuard guard(1);
    CArcher archer(420, 280, &g_sheet);
    for (int32_t n = 1; n <= 902; ++n) {
        archer.Move();
    }
    EXPECT_EQ(CArcher::fireOdds, 300);
    archer.Move();
    EXPECT_EQ(CArcher::fireOdds, 299);
    for (int32_t n = 904; n <= 1197; ++n) {
        archer.Move();
    }
    EXPECT_EQ(CArcher::fireOdds, 201);
    archer.Move();
    archer.Move();
    archer.Move();
    EXPECT_EQ(CArcher::fireOdds, 40);
    for (int32_t n = 1201; n <= 1500; ++n) {
        archer.Move();
    }
    EXPECT_EQ(CArcher::fireOdds, 40);

    // A new game's archer goes on from where the last one left the odds.
    CArcher next(420, 280, &g_sheet);
    for (int32_t n = 1; n <= 903; ++n) {
        next.Move();
    }
    EXPECT_EQ(CArcher::fireOdds, 40);
}

TEST(ArrowTest, FliesLeftUntilPastTheLine) {
    CArrow arrow(400, 325, -3, &g_sheet);
    CDrawProbe graphics;
    EXPECT_EQ(graphics.OnlyCall(arrow), (SSpriteCall{&g_sheet, 400, 325, 40, 7, 0, 0}));
    EXPECT_EQ(arrow.GetHitRect(), (RECT{400, 327, 440, 330}));
    arrow.Move();
    EXPECT_DOUBLE_EQ(arrow.X(), 397.0);
    for (int32_t n = 2; n <= 96; ++n) {
        ASSERT_EQ(arrow.Move(), MOVE_KEEP);
    }
    EXPECT_DOUBLE_EQ(arrow.X(), 112.0);
    CPrincess princess(49, 280, &g_sheet);
    EXPECT_EQ(princess.Touch(&arrow), TOUCH_PRINCESS_HURT);
    for (int32_t n = 97; n <= 100; ++n) {
        EXPECT_EQ(arrow.Move(), MOVE_KEEP);
    }
    EXPECT_DOUBLE_EQ(arrow.X(), 100.0);
    EXPECT_EQ(arrow.Move(), MOVE_REMOVE);
}

TEST(ArrowTest, FastArrowCanJumpOverThePrincess) {
    CArrow arrow(153, 325, -19, &g_sheet);
    CPrincess standing(50, 280, &g_sheet);
    CPrincess leaning(49, 280, &g_sheet);
    EXPECT_EQ(arrow.Move(), MOVE_KEEP);
    EXPECT_DOUBLE_EQ(arrow.X(), 134.0);
    EXPECT_EQ(arrow.Move(), MOVE_KEEP);
    EXPECT_DOUBLE_EQ(arrow.X(), 115.0);
    EXPECT_EQ(standing.Touch(&arrow), TOUCH_NONE);
    EXPECT_EQ(leaning.Touch(&arrow), TOUCH_NONE);
    EXPECT_EQ(arrow.Move(), MOVE_REMOVE);
}

TEST(ArrowTest, StruckArrowStaysThreeTicksAndScoresOnce) {
    CArrow arrow(300, 325, -4, &g_sheet);
    arrow.Move();
    CBlast blast(310, 330, &g_sheet);
    EXPECT_EQ(blast.Touch(&arrow), TOUCH_ARROW);
    EXPECT_EQ(blast.Touch(&arrow), TOUCH_NONE);
    EXPECT_EQ(arrow.Move(), MOVE_KEEP);
    EXPECT_EQ(arrow.Move(), MOVE_KEEP);
    EXPECT_DOUBLE_EQ(arrow.X(), 296.0);
    EXPECT_EQ(arrow.Move(), MOVE_REMOVE);
}

}  // namespace
