#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actors/Actor.h"
#include "actors/GameRandom.h"

namespace {

// An actor that notes its own end in a shared log.
class CProbe : public CActor {
public:
    CProbe(int32_t probeLayer, std::string probeName, std::vector<std::string>* probeLog)
        : name(std::move(probeName)), log(probeLog) {
        layer = probeLayer;
    }
    ~CProbe() override { log->push_back("end " + name); }
    std::string name;
    std::vector<std::string>* log;
};

std::vector<std::string> Names(const CActorList& list) {
    std::vector<std::string> names;
    for (size_t i = 0; i < list.Size(); ++i) {
        names.push_back(static_cast<CProbe*>(list.At(i))->name);
    }
    return names;
}

TEST(GameRandomTest, FirstValuesOfTheRun) {
    const uint32_t saved = GameRandomState();
    SetGameRandomState(1);
    EXPECT_EQ(GameRandom(), 41);
    EXPECT_EQ(GameRandom(), 18467);
    EXPECT_EQ(GameRandom(), 6334);
    EXPECT_EQ(GameRandom(), 26500);
    EXPECT_EQ(GameRandom(), 19169);
    SetGameRandomState(saved);
}

TEST(ContactRuleTest, SharedEdgesDoNotOverlap) {
    EXPECT_FALSE(RectsOverlap({0, 0, 10, 10}, {10, 0, 20, 10}));
    EXPECT_FALSE(RectsOverlap({0, 0, 10, 10}, {0, 10, 10, 20}));
    EXPECT_FALSE(RectsOverlap({10, 0, 20, 10}, {0, 0, 10, 10}));
    EXPECT_TRUE(RectsOverlap({0, 0, 10, 10}, {9, 9, 20, 20}));
    EXPECT_TRUE(RectsOverlap({9, 9, 20, 20}, {0, 0, 10, 10}));
}

TEST(ActorTest, PixelPositionTruncatesTowardZero) {
    class CAt : public CActor {
    public:
        CAt(double ax, double ay) {
            x = ax;
            y = ay;
        }
    };
    EXPECT_EQ(CAt(-0.7, -1.5).PixelX(), 0);
    EXPECT_EQ(CAt(-0.7, -1.5).PixelY(), -1);
    EXPECT_EQ(CAt(49.99, 0).PixelX(), 49);
}

TEST(HittableTest, FadesOverThreeMovesAndIgnoresASecondHit) {
    class CTarget : public CHittable {
    public:
        int32_t Move() override {
            int32_t result;
            if (FadeStep(&result)) {
                return result;
            }
            x += 1;
            return MOVE_KEEP;
        }
    };
    CTarget target;
    EXPECT_EQ(target.Move(), MOVE_KEEP);
    EXPECT_EQ(target.IsActive(), 1);
    target.Hit();
    EXPECT_EQ(target.IsActive(), 0);
    EXPECT_EQ(target.Move(), MOVE_KEEP);
    target.Hit();  // changes nothing
    EXPECT_EQ(target.Move(), MOVE_KEEP);
    EXPECT_EQ(target.Move(), MOVE_REMOVE);
    EXPECT_EQ(target.X(), 1.0);  // frozen since the hit
}

TEST(ActorListTest, WalkVisitsActorsAppendedDuringTheWalk) {
    std::vector<std::string> log;
    CActorList list;
    list.Append(new CProbe(0, "a", &log));
    list.Append(new CProbe(0, "b", &log));
    std::vector<std::string> visited;
    for (size_t i = 0; i < list.Size(); ++i) {
        auto* probe = static_cast<CProbe*>(list.At(i));
        visited.push_back(probe->name);
        if (probe->name == "a") {
            list.Append(new CProbe(0, "c", &log));
        }
    }
    EXPECT_EQ(visited, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ActorListTest, MarkSweepRegroupAndClear) {
    std::vector<std::string> log;
    CActorList list;
    list.Append(nullptr);  // never stored
    list.Append(new CProbe(7, "blast", &log));
    list.Append(new CProbe(3, "sea", &log));
    list.Append(new CProbe(6, "princess", &log));
    list.Append(new CProbe(3, "balloon", &log));
    list.Append(new CProbe(0, "sun", &log));
    list.Append(new CProbe(3, "star", &log));
    EXPECT_EQ(list.Size(), 6u);

    list.DestroyAt(3);  // the balloon ends during a move pass
    EXPECT_EQ(log, (std::vector<std::string>{"end balloon"}));
    EXPECT_EQ(list.At(3), nullptr);
    list.Sweep();
    EXPECT_EQ(Names(list), (std::vector<std::string>{"blast", "sea", "princess", "sun", "star"}));

    list.RegroupByLayer();
    EXPECT_EQ(Names(list), (std::vector<std::string>{"sun", "sea", "star", "princess", "blast"}));

    list.Clear();
    EXPECT_EQ(list.Size(), 0u);
    EXPECT_EQ(log.size(), 6u);
}

TEST(ActorListTest, RegroupDestroysActorsOutsideTheLayers) {
    std::vector<std::string> log;
    CActorList list;
    list.Append(new CProbe(8, "stray", &log));
    list.Append(new CProbe(2, "coin", &log));
    list.RegroupByLayer();
    EXPECT_EQ(Names(list), (std::vector<std::string>{"coin"}));
    EXPECT_EQ(log, (std::vector<std::string>{"end stray"}));
}

}  // namespace
