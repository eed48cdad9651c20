#include <gtest/gtest.h>

#include "actors/Targets.h"
#include "tests/actors/ActorTestSupport.h"

namespace {

CTestSheet g_sheet;

// A random state whose next three draws give a start x of 500, an extra step
// of 1 and a top height of 220.
constexpr uint32_t kThrowState = 3051850239u;

class CCoinView : public CCoin {
public:
    using CCoin::CCoin;
    double CoefB() const { return coefB; }
    double Du() const { return du; }
};

class CBombView : public CBomb {
public:
    using CBomb::CBomb;
    double CoefB() const { return coefB; }
    double Du() const { return du; }
};

TEST(CoinTest, DrawsItsStartInOrder) {
    CRandomGuard guard(1);
    // 41, 18467, 6334: x0 = 521, one extra step, top height 220.
    CCoinView coin(2, &g_sheet);
    EXPECT_DOUBLE_EQ(coin.X(), 521.0);
    EXPECT_DOUBLE_EQ(coin.Y(), 120.0);
    EXPECT_EQ(coin.Du(), -3);
    EXPECT_DOUBLE_EQ(coin.CoefB(), (120.0 + 0.004 * 201 * 201 - 220.0) / 201);
    EXPECT_EQ(GameRandom(), 26500);
}

TEST(CoinTest, FliesItsArcAndTumblesRightOfTheMiddle) {
    CRandomGuard guard(kThrowState);
    CCoinView coin(2, &g_sheet);
    ASSERT_DOUBLE_EQ(coin.X(), 500.0);
    ASSERT_EQ(coin.Du(), -3);
    EXPECT_NEAR(coin.CoefB(), 0.164444444, 1e-9);
    EXPECT_EQ(coin.GetHitRect(), (RECT{510, 130, 540, 160}));

    CDrawProbe graphics;
    const int32_t expectedSrcX[] = {0, 50, 100, 50, 0};
    int32_t result = MOVE_KEEP;
    int32_t moves = 0;
    while (result == MOVE_KEEP && moves < 1000) {
        result = coin.Move();
        ++moves;
        if (moves == 1) {
            EXPECT_DOUBLE_EQ(coin.X(), 497.0);
            EXPECT_NEAR(coin.Y(), 116.209333, 1e-6);
            EXPECT_EQ(graphics.OnlyCall(coin), (SSpriteCall{&g_sheet, 497, 116, 50, 50, 0, 0}));
        }
        // One picture every second tick until the 58th move, the last one after.
        const int32_t frame = moves >= 58 ? 4 : (moves / 2) % 5;
        EXPECT_EQ(graphics.OnlyCall(coin).srcX, expectedSrcX[frame]) << "move " << moves;
        if (moves == 60) {
            EXPECT_DOUBLE_EQ(coin.X(), 320.0);
            EXPECT_NEAR(coin.Y(), 20.0, 1e-9);
        }
    }
    EXPECT_EQ(result, MOVE_REMOVE);
    EXPECT_EQ(moves, 154);
    EXPECT_DOUBLE_EQ(coin.X(), 38.0);
    EXPECT_NEAR(coin.Y(), 384.469333, 1e-6);
}

TEST(CoinTest, StruckCoinFreezesForTwoTicks) {
    CRandomGuard guard(kThrowState);
    CCoin coin(2, &g_sheet);
    while (coin.X() > 330.0) {
        coin.Move();
    }
    ASSERT_DOUBLE_EQ(coin.X(), 329.0);
    // 57 moves in: tumbled to the fourth picture.
    CDrawProbe graphics;
    const SSpriteCall frozen = graphics.OnlyCall(coin);
    EXPECT_EQ(frozen.srcX, 50);
    coin.Hit();
    EXPECT_EQ(coin.IsActive(), 0);
    coin.Hit();  // a second hit changes nothing
    EXPECT_EQ(coin.Move(), MOVE_KEEP);
    EXPECT_EQ(coin.Move(), MOVE_KEEP);
    EXPECT_EQ(graphics.OnlyCall(coin), frozen);
    EXPECT_EQ(coin.Move(), MOVE_REMOVE);
    EXPECT_DOUBLE_EQ(coin.X(), 329.0);
}

TEST(BombTest, FliesAHigherShorterArc) {
    CRandomGuard guard(kThrowState);
    CBombView bomb(2, &g_sheet);
    EXPECT_DOUBLE_EQ(bomb.Du(), -3.0);
    EXPECT_NEAR(bomb.CoefB(), 1.604444444, 1e-9);
    EXPECT_EQ(bomb.GetHitRect(), (RECT{530, 158, 534, 162}));
    int32_t result = bomb.Move();
    EXPECT_DOUBLE_EQ(bomb.X(), 497.0);
    EXPECT_NEAR(bomb.Y(), 111.961333, 1e-6);
    int32_t moves = 1;
    while (result == MOVE_KEEP && moves < 1000) {
        result = bomb.Move();
        ++moves;
        if (moves == 60) {
            EXPECT_DOUBLE_EQ(bomb.X(), 320.0);
            EXPECT_NEAR(bomb.Y(), 20.0, 1e-9);
        }
    }
    EXPECT_EQ(moves, 100);
    EXPECT_DOUBLE_EQ(bomb.X(), 200.0);
    EXPECT_NEAR(bomb.Y(), 385.333333, 1e-6);

    CDrawProbe graphics;
    EXPECT_EQ(graphics.OnlyCall(bomb), (SSpriteCall{&g_sheet, 200, 385, 64, 64, 0, 0}));
}

TEST(StarTest, FallsFasterAndTwinkles) {
    CStar star(60, -64, 2.0, &g_sheet);
    CDrawProbe graphics;
    EXPECT_EQ(graphics.OnlyCall(star), (SSpriteCall{&g_sheet, 60, -64, 64, 64, 0, 0}));
    EXPECT_EQ(star.GetHitRect(), (RECT{75, -49, 109, -15}));
    star.Move();
    EXPECT_DOUBLE_EQ(star.Y(), -62.0);
    EXPECT_EQ(graphics.OnlyCall(star).srcX, 64);
    star.Move();
    EXPECT_NEAR(star.Y(), -59.9, 1e-9);
    // Truncated toward zero, not down.
    EXPECT_EQ(graphics.OnlyCall(star), (SSpriteCall{&g_sheet, 60, -59, 64, 64, 128, 0}));
    for (int32_t n = 3; n <= 78; ++n) {
        ASSERT_EQ(star.Move(), MOVE_KEEP) << "move " << n;
    }
    EXPECT_NEAR(star.Y(), 392.3, 1e-9);
    EXPECT_EQ(graphics.OnlyCall(star).srcX, (78 % 4) * 64);
    EXPECT_EQ(star.Move(), MOVE_REMOVE);
    EXPECT_NEAR(star.Y(), 402.1, 1e-9);
}

TEST(BalloonTest, WobblesUpAndOut) {
    CBalloon balloon(200, 300, -2, 1, &g_sheet);
    CDrawProbe graphics;
    EXPECT_EQ(graphics.OnlyCall(balloon), (SSpriteCall{&g_sheet, 200, 300, 48, 91, 48, 0}));
    EXPECT_EQ(balloon.GetHitRect(), (RECT{200, 300, 248, 361}));
    balloon.Move();
    EXPECT_NEAR(balloon.X(), 199.2211633, 1e-6);
    EXPECT_DOUBLE_EQ(balloon.Y(), 298.0);
    EXPECT_EQ(graphics.OnlyCall(balloon), (SSpriteCall{&g_sheet, 199, 298, 48, 91, 48, 0}));
    int32_t moves = 1;
    int32_t result = MOVE_KEEP;
    while (result == MOVE_KEEP && moves < 1000) {
        result = balloon.Move();
        ++moves;
    }
    EXPECT_EQ(moves, 196);
    EXPECT_DOUBLE_EQ(balloon.Y(), -92.0);

    CBalloon green(140, 300, -1, 0, &g_sheet);
    EXPECT_EQ(graphics.OnlyCall(green).srcX, 0);
}

TEST(HitAndFadeTest, EveryTargetStopsAndGoesOnTheThirdMove) {
    CRandomGuard guard(kThrowState);
    CCoin coin(2, &g_sheet);
    CBomb bomb(2, &g_sheet);
    CStar star(60, 100, 2.0, &g_sheet);
    CBalloon balloon(200, 300, -2, 0, &g_sheet);
    CHittable* targets[] = {&coin, &bomb, &star, &balloon};
    for (CHittable* target : targets) {
        target->Move();
        const double x = target->X();
        const double y = target->Y();
        EXPECT_EQ(target->IsActive(), 1);
        target->Hit();
        EXPECT_EQ(target->IsActive(), 0);
        EXPECT_EQ(target->Move(), MOVE_KEEP);
        target->Hit();
        EXPECT_EQ(target->Move(), MOVE_KEEP);
        EXPECT_EQ(target->Move(), MOVE_REMOVE);
        EXPECT_DOUBLE_EQ(target->X(), x);
        EXPECT_DOUBLE_EQ(target->Y(), y);
    }
}

}  // namespace
