#include <gtest/gtest.h>

#include "actors/Scenery.h"
#include "tests/actors/ActorTestSupport.h"

namespace {

CTestSheet g_sheet;

int32_t MoveTimes(CActor& actor, int32_t times) {
    int32_t result = MOVE_KEEP;
    for (int32_t i = 0; i < times; ++i) {
        result = actor.Move();
    }
    return result;
}

TEST(CloudTest, WrapsOnlyOnceFullyPastTheLeftEdge) {
    CCloud slow(-239.5, 40, -0.5, &g_sheet);
    slow.Move();
    EXPECT_DOUBLE_EQ(slow.X(), -240.0);
    slow.Move();
    EXPECT_DOUBLE_EQ(slow.X(), 640.0);

    CCloud fast(-239.0, 100, -1.0, &g_sheet);
    fast.Move();
    EXPECT_DOUBLE_EQ(fast.X(), -240.0);
    EXPECT_EQ(fast.Move(), MOVE_KEEP);
    EXPECT_DOUBLE_EQ(fast.X(), 640.0);
    EXPECT_DOUBLE_EQ(fast.Y(), 100.0);
}

TEST(CloudTest, ComesBackOnItsPeriod) {
    CCloud slow(640, 40, -0.5, &g_sheet);
    MoveTimes(slow, 1760);
    EXPECT_DOUBLE_EQ(slow.X(), -240.0);
    slow.Move();
    EXPECT_DOUBLE_EQ(slow.X(), 640.0);

    CCloud fast(640, 100, -1.0, &g_sheet);
    MoveTimes(fast, 881);
    EXPECT_DOUBLE_EQ(fast.X(), 640.0);
}

TEST(SeaTest, SwaysBetweenItsTurningPoints) {
    CSea sea(10, 372, &g_sheet);
    std::vector<double> seen;
    for (int32_t i = 0; i < 65; ++i) {
        EXPECT_EQ(sea.Move(), MOVE_KEEP);
        seen.push_back(sea.X());
    }
    EXPECT_DOUBLE_EQ(seen[0], 10.5);
    EXPECT_DOUBLE_EQ(seen[59], 40.0);
    EXPECT_DOUBLE_EQ(seen[60], 40.5);
    EXPECT_DOUBLE_EQ(seen[61], 40.0);
    EXPECT_DOUBLE_EQ(seen[62], 39.5);
    // Back down to 9.5 and forward again.
    MoveTimes(sea, 57);
    EXPECT_DOUBLE_EQ(sea.X(), 10.0);
    sea.Move();
    EXPECT_DOUBLE_EQ(sea.X(), 9.5);
    sea.Move();
    EXPECT_DOUBLE_EQ(sea.X(), 10.0);
    EXPECT_DOUBLE_EQ(sea.Y(), 372.0);
}

TEST(SeaTest, DrawsTheBandWrappedAround) {
    CSea sea(10, 372, &g_sheet);
    MoveTimes(sea, 30);
    ASSERT_DOUBLE_EQ(sea.X(), 25.0);
    CDrawProbe graphics;
    const std::vector<SSpriteCall> expected = {{&g_sheet, 0, 372, 615, 108, 25, 0},
                                               {&g_sheet, 615, 372, 25, 108, 0, 0}};
    EXPECT_EQ(graphics.DrawOf(sea), expected);
}

TEST(PalmTest, BendsFasterAsTheGameGoesOn) {
    CPalm palm(365, 60, &g_sheet);
    CDrawProbe graphics;
    MoveTimes(palm, 5);
    EXPECT_EQ(graphics.OnlyCall(palm), (SSpriteCall{&g_sheet, 365, 60, 280, 380, 0, 0}));
    palm.Move();
    EXPECT_EQ(graphics.OnlyCall(palm).srcX, 280);

    // Count picture changes in a stretch of ticks under each period.
    auto changes = [&](int32_t ticks) {
        int32_t count = 0;
        int32_t last = graphics.OnlyCall(palm).srcX;
        for (int32_t i = 0; i < ticks; ++i) {
            palm.Move();
            const int32_t now = graphics.OnlyCall(palm).srcX;
            count += now != last ? 1 : 0;
            last = now;
        }
        return count;
    };
    MoveTimes(palm, 900 - 6);  // the period turns 4 on the 900th move
    EXPECT_EQ(changes(12), 3);
    MoveTimes(palm, 1800 - 912);  // and 2 on the 1800th
    EXPECT_EQ(changes(12), 6);
    MoveTimes(palm, 1800);  // and never goes lower
    EXPECT_EQ(changes(12), 6);
}

TEST(SunTest, FlickersOnMovesOneFiveNine) {
    CSun sun(0, 0, &g_sheet);
    CDrawProbe graphics;
    EXPECT_EQ(graphics.OnlyCall(sun), (SSpriteCall{&g_sheet, 0, 0, 90, 90, 0, 0}));
    std::vector<int32_t> changedOn;
    int32_t last = 0;
    for (int32_t n = 1; n <= 12; ++n) {
        sun.Move();
        const int32_t now = graphics.OnlyCall(sun).srcX;
        if (now != last) {
            changedOn.push_back(n);
        }
        last = now;
    }
    EXPECT_EQ(changedOn, (std::vector<int32_t>{1, 5, 9}));
}

TEST(ShoutTest, DrawsOneRandomNumberEveryFiftiethTick) {
    CRandomGuard guard(12345);
    CShout shout(0, 260, 1, &g_sheet);
    CDrawProbe graphics;
    EXPECT_EQ(graphics.OnlyCall(shout), (SSpriteCall{&g_sheet, 0, 260, 70, 47, 70, 0}));

    MoveTimes(shout, 49);
    EXPECT_EQ(GameRandomState(), 12345u);
    EXPECT_EQ(graphics.OnlyCall(shout).srcX, 70);

    SetGameRandomState(12345);
    const int32_t expected = (GameRandom() % 2) * 70;
    SetGameRandomState(12345);
    shout.Move();
    EXPECT_EQ(graphics.OnlyCall(shout).srcX, expected);
    const uint32_t after = GameRandomState();
    EXPECT_NE(after, 12345u);
    MoveTimes(shout, 49);
    EXPECT_EQ(GameRandomState(), after);
}

TEST(DropTest, FliesSeventeenMovesUpAndLeft) {
    CDrop drop(70, 300, 2, &g_sheet);
    CDrawProbe graphics;
    EXPECT_EQ(MoveTimes(drop, 16), MOVE_KEEP);
    EXPECT_EQ(graphics.OnlyCall(drop), (SSpriteCall{&g_sheet, 38, 268, 8, 8, 0, 0}));
    EXPECT_EQ(drop.Move(), MOVE_REMOVE);
}

TEST(SceneryTest, IslandStaysPutAndNothingCanBeTouched) {
    CIsland island(0, 348, &g_sheet);
    CDrawProbe graphics;
    EXPECT_EQ(island.Move(), MOVE_KEEP);
    EXPECT_EQ(graphics.OnlyCall(island), (SSpriteCall{&g_sheet, 0, 348, 180, 96, 0, 0}));
    EXPECT_EQ(island.GetHitRect(), (RECT{0, 0, 0, 0}));
    EXPECT_EQ(island.IsActive(), 1);
}

}  // namespace
