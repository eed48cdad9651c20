#include <gtest/gtest.h>

#include <memory>

#include "actors/Archer.h"
#include "actors/Scenery.h"
#include "actors/Targets.h"
#include "actors/Touchers.h"
#include "tests/actors/ActorTestSupport.h"

namespace {

CTestSheet g_sheet;

// A target of any kind with a fixed rectangle, for the contact tables.
class CDummy : public CHittable {
public:
    CDummy(int32_t dummyKind, RECT rect) {
        kind = dummyKind;
        layer = 3;
        hitRect = rect;
    }
};

TEST(PrincessTest, TremblesEveryFifthMove) {
    CPrincess princess(50, 280, &g_sheet);
    EXPECT_EQ(princess.GetHitRect(), (RECT{65, 310, 115, 392}));
    std::vector<double> xs;
    for (int32_t i = 0; i < 16; ++i) {
        EXPECT_EQ(princess.Move(), MOVE_KEEP);
        xs.push_back(princess.X());
    }
    for (int32_t i = 0; i < 5; ++i) {
        EXPECT_DOUBLE_EQ(xs[i], 49.0) << "move " << i + 1;
        EXPECT_DOUBLE_EQ(xs[i + 5], 50.0) << "move " << i + 6;
        EXPECT_DOUBLE_EQ(xs[i + 10], 49.0) << "move " << i + 11;
    }
    EXPECT_DOUBLE_EQ(xs[15], 50.0);
    for (int32_t n = 17; n <= 21; ++n) {
        princess.Move();
    }
    EXPECT_EQ(princess.GetHitRect(), (RECT{64, 310, 114, 392}));

    CDrawProbe graphics;
    EXPECT_EQ(graphics.OnlyCall(princess), (SSpriteCall{&g_sheet, 49, 280, 80, 112, 0, 0}));
}

TEST(PrincessTest, HurtOnlyByCoinsArrowsAndStars) {
    CPrincess princess(50, 280, &g_sheet);  // (65, 310, 115, 392)
    const RECT over{100, 320, 130, 340};
    for (int32_t k = KIND_SCENERY; k <= KIND_STAR; ++k) {
        CDummy target(k, over);
        const bool hurts = k == KIND_COIN || k == KIND_ARROW || k == KIND_STAR;
        EXPECT_EQ(princess.Touch(&target), hurts ? TOUCH_PRINCESS_HURT : TOUCH_NONE)
            << "kind " << k;
    }
    // A coin that only shares her right edge does not reach her.
    CDummy edge(KIND_COIN, RECT{115, 320, 130, 340});
    EXPECT_EQ(princess.Touch(&edge), TOUCH_NONE);
    EXPECT_EQ(princess.Touch(&princess), TOUCH_NONE);
}

TEST(PrincessTest, StruckStarLyingAcrossHerStillHurts) {
    CPrincess princess(50, 280, &g_sheet);
    CStar star(60, 300, 2.0, &g_sheet);  // (75, 315, 109, 349)
    CBlast blast(92, 332, &g_sheet);
    blast.Move();
    ASSERT_EQ(blast.Touch(&star), TOUCH_STAR);
    EXPECT_EQ(star.IsActive(), 0);
    EXPECT_EQ(star.Move(), MOVE_KEEP);
    EXPECT_EQ(princess.Touch(&star), TOUCH_PRINCESS_HURT);
    EXPECT_EQ(blast.Touch(&star), TOUCH_NONE);
}

TEST(BlastTest, GrowsThroughItsAgesAndEnds) {
    // A click at (100, 200) puts the blast's centre at (104, 204).
    CBlast blast(104, 204, &g_sheet);
    EXPECT_DOUBLE_EQ(blast.X(), 72.0);
    EXPECT_DOUBLE_EQ(blast.Y(), 172.0);
    CDrawProbe graphics;
    EXPECT_EQ(blast.GetHitRect(), (RECT{98, 198, 110, 210}));
    EXPECT_EQ(graphics.OnlyCall(blast), (SSpriteCall{&g_sheet, 72, 172, 64, 64, 0, 0}));

    EXPECT_EQ(blast.Move(), MOVE_KEEP);
    EXPECT_EQ(blast.GetHitRect(), (RECT{89, 189, 119, 219}));
    EXPECT_EQ(graphics.OnlyCall(blast).srcX, 64);
    EXPECT_EQ(blast.Move(), MOVE_KEEP);
    EXPECT_EQ(blast.GetHitRect(), (RECT{82, 182, 126, 226}));
    EXPECT_EQ(graphics.OnlyCall(blast).srcX, 128);
    EXPECT_EQ(blast.Move(), MOVE_KEEP);
    EXPECT_EQ(blast.GetHitRect(), (RECT{82, 182, 126, 226}));
    EXPECT_EQ(graphics.OnlyCall(blast).srcX, 128);
    EXPECT_EQ(blast.Move(), MOVE_REMOVE);
    // Even past its end it never reads beyond its last picture.
    EXPECT_EQ(graphics.OnlyCall(blast).srcX, 128);
    EXPECT_EQ(blast.GetHitRect(), (RECT{82, 182, 126, 226}));
}

TEST(BlastTest, TouchTableByKind) {
    struct SRow {
        int32_t kind;
        int32_t code;
        bool struck;
    };
    const SRow rows[] = {
        {KIND_SCENERY, TOUCH_NONE, false},      {KIND_BLAST, TOUCH_NONE, false},
        {KIND_COIN, TOUCH_COIN, true},          {KIND_BALLOON, TOUCH_BALLOON, true},
        {KIND_PRINCESS, TOUCH_PRINCESS, false}, {KIND_ARROW, TOUCH_ARROW, true},
        {KIND_ARCHER, TOUCH_ARCHER, false},     {KIND_BOMB, TOUCH_BOMB, false},
        {KIND_STAR, TOUCH_STAR, true},          {9, TOUCH_NONE, false},
    };
    CBlast blast(104, 204, &g_sheet);  // (98, 198, 110, 210)
    for (const SRow& row : rows) {
        CDummy target(row.kind, RECT{100, 200, 105, 205});
        EXPECT_EQ(blast.Touch(&target), row.code) << "kind " << row.kind;
        EXPECT_EQ(target.IsHit(), row.struck) << "kind " << row.kind;
        // Once struck, the same target gives nothing more.
        if (row.struck) {
            EXPECT_EQ(blast.Touch(&target), TOUCH_NONE) << "kind " << row.kind;
        }
    }
    EXPECT_EQ(blast.Touch(&blast), TOUCH_NONE);
}

TEST(BlastTest, InactiveAndEdgeTouchingTargetsAreLeftAlone) {
    CBlast blast(104, 204, &g_sheet);  // (98, 198, 110, 210)
    for (int32_t k = KIND_COIN; k <= KIND_STAR; ++k) {
        CDummy struck(k, RECT{100, 200, 105, 205});
        struck.Hit();
        EXPECT_EQ(blast.Touch(&struck), TOUCH_NONE) << "kind " << k;
    }
    const RECT edges[] = {
        {110, 200, 120, 205}, {80, 200, 98, 205}, {100, 210, 105, 220}, {100, 190, 105, 198}};
    for (const RECT& edge : edges) {
        CDummy coin(KIND_COIN, edge);
        EXPECT_EQ(blast.Touch(&coin), TOUCH_NONE) << edge;
        EXPECT_FALSE(coin.IsHit());
    }
    CDummy corner(KIND_COIN, RECT{109, 209, 120, 220});
    EXPECT_EQ(blast.Touch(&corner), TOUCH_COIN);
}

TEST(BlastTest, RealTargetsScoreOnceAndBombsStayActive) {
    CBlast first(224, 350, &g_sheet);
    CBlast second(224, 350, &g_sheet);
    first.Move();
    second.Move();
    CBalloon balloon(200, 300, -2, 1, &g_sheet);
    EXPECT_EQ(first.Touch(&balloon), TOUCH_BALLOON);
    EXPECT_EQ(second.Touch(&balloon), TOUCH_NONE);

    CRandomGuard guard(1);
    CBomb bomb(3, &g_sheet);  // the point (30, 38, 34, 42) of a bomb at (x0, 120)
    const RECT point = bomb.GetHitRect();
    CBlast onBomb(point.left + 2, point.top + 2, &g_sheet);
    EXPECT_EQ(onBomb.Touch(&bomb), TOUCH_BOMB);
    EXPECT_EQ(bomb.IsActive(), 1);
    EXPECT_EQ(onBomb.Touch(&bomb), TOUCH_BOMB);

    CPrincess princess(50, 280, &g_sheet);
    CBlast onPrincess(90, 350, &g_sheet);
    EXPECT_EQ(onPrincess.Touch(&princess), TOUCH_PRINCESS);
    CArcher archer(420, 280, &g_sheet);
    CBlast onArcher(460, 320, &g_sheet);
    EXPECT_EQ(onArcher.Touch(&archer), TOUCH_ARCHER);
}

TEST(ActorTableTest, KindsAndLayers) {
    CRandomGuard guard(1);
    struct SRow {
        std::unique_ptr<CActor> actor;
        int32_t kind;
        int32_t layer;
    };
    SRow rows[] = {
        {std::make_unique<CSun>(0, 0, &g_sheet), KIND_SCENERY, 0},
        {std::make_unique<CCloud>(100, 40, -0.5, &g_sheet), KIND_SCENERY, 1},
        {std::make_unique<CCoin>(3, &g_sheet), KIND_COIN, 2},
        {std::make_unique<CSea>(10, 372, &g_sheet), KIND_SCENERY, 3},
        {std::make_unique<CBalloon>(200, 300, -2, 0, &g_sheet), KIND_BALLOON, 3},
        {std::make_unique<CStar>(50, -64, 2.0, &g_sheet), KIND_STAR, 3},
        {std::make_unique<CArrow>(400, 325, -3, &g_sheet), KIND_ARROW, 3},
        {std::make_unique<CBomb>(3, &g_sheet), KIND_BOMB, 4},
        {std::make_unique<CPalm>(365, 60, &g_sheet), KIND_SCENERY, 5},
        {std::make_unique<CIsland>(0, 348, &g_sheet), KIND_SCENERY, 5},
        {std::make_unique<CShout>(0, 260, 0, &g_sheet), KIND_SCENERY, 5},
        {std::make_unique<CDrop>(70, 300, 1, &g_sheet), KIND_SCENERY, 5},
        {std::make_unique<CPrincess>(50, 280, &g_sheet), KIND_PRINCESS, 6},
        {std::make_unique<CArcher>(420, 280, &g_sheet), KIND_ARCHER, 6},
        {std::make_unique<CBlast>(100, 100, &g_sheet), KIND_BLAST, 7},
    };
    for (const SRow& row : rows) {
        EXPECT_EQ(row.actor->GetKind(), row.kind) << row.layer;
        EXPECT_EQ(row.actor->GetLayer(), row.layer) << row.kind;
    }
}

}  // namespace
