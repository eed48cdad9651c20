#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "actors/Archer.h"
#include "actors/GameRandom.h"
#include "game/Game.h"
#include "tools/recording/RecordingDevices.h"

namespace {

namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

// A game on recording devices, run in a scratch directory of its own so the
// score files never touch the project. The random sequence and the archers'
// shot odds start as at program start.
class GameFixture : public ::testing::Test {
protected:
    void SetUp() override {
        savedRandom = GameRandomState();
        SetGameRandomState(1);
        savedFireOdds = CArcher::fireOdds;
        CArcher::fireOdds = 300;
        oldDir = fs::current_path();
        dir = fs::temp_directory_path() /
              ("game-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
    }
    void TearDown() override {
        delete game;
        game = nullptr;
        fs::current_path(oldDir);
        fs::remove_all(dir);
        SetGameRandomState(savedRandom);
        CArcher::fireOdds = savedFireOdds;
    }

    CGame* Start() {
        game = new CGame(&platform);
        EXPECT_TRUE(game->Init(nullptr, 640, 480));
        trace.lines.clear();
        return game;
    }

    // The lines recorded since the last call.
    Lines Take() {
        Lines taken;
        taken.swap(trace.lines);
        return taken;
    }

    static long Count(const Lines& lines, const std::string& prefix) {
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.compare(0, prefix.size(), prefix) == 0;
        });
    }

    // From the title, a game left alone until its game-over tick; that
    // tick's lines.
    Lines PlayToGameOver() {
        game->OnClick(320, 240);
        EXPECT_GT(RunUntilGameEnds(1000), 0);
        Take();
        game->Tick();
        return Take();
    }

    // Ticks until the game leaves play; the number of ticks it took. The
    // trace then holds the last tick only.
    int RunUntilGameEnds(int limit) {
        for (int i = 1; i <= limit; ++i) {
            trace.lines.clear();
            game->Tick();
            if (game->State() != STATE_PLAY) {
                return i;
            }
        }
        return -1;
    }

    CTrace trace;
    CRecordingPlatform platform{&trace};
    CGame* game = nullptr;
    uint32_t savedRandom = 0;
    int32_t savedFireOdds = 0;
    fs::path oldDir;
    fs::path dir;
};

TEST_F(GameFixture, SetUpCallsTheDevicesInTheirOrder) {
    game = new CGame(&platform);
    ASSERT_TRUE(game->Init(nullptr, 640, 480));
    const Lines& lines = trace.lines;
    ASSERT_EQ(lines.size(), 1u + 40u + 9u);
    EXPECT_EQ(lines[0], "graphics init 640 480");
    EXPECT_EQ(lines[1], "surface 0 840 380 2048");
    EXPECT_EQ(lines[2], "bitmap 0 2000 0 0 840 380 0 0 0xff00ff");
    EXPECT_EQ(lines[17], "surface 8 96 91 0");
    EXPECT_EQ(lines[18], "bitmap 8 2008 0 0 96 91 0 0 0xffffff");
    EXPECT_EQ(lines[40], "bitmap 19 2019 0 0 250 80 0 0 0xff00ff");
    const Lines tail(lines.begin() + 41, lines.end());
    EXPECT_EQ(tail, (Lines{"sound init", "sound slots 1", "sound wave sound//kyu.wav 0",
                           "music init", "music slots 2", "music load sound//play.mid 0",
                           "music load sound//gameover.mid 1", "music loop 0 65535 500",
                           "music loop 1 65535 500"}));
    EXPECT_EQ(game->State(), STATE_TITLE);
    EXPECT_FALSE(game->Paused());
}

// Whatever step of the set-up fails, Init says so at once, and the teardown
// destroys exactly what was made, each thing once, sheets before the device
// and the music before the sound.
TEST_F(GameFixture, FailedSetUpReleasesExactlyWhatWasMade) {
    const std::vector<std::string> failures = {
        "graphics.create",  "graphics.init",   "surface.create 0", "surface.load 0",
        "surface.create 7", "surface.load 19", "sound.create",     "sound.init",
        "sound.wave",       "music.create",    "music.init",       "music.load 0",
        "music.load 1"};
    for (const std::string& failure : failures) {
        SCOPED_TRACE(failure);
        CTrace failTrace;
        CRecordingPlatform failPlatform(&failTrace);
        failPlatform.failures.insert(failure);
        auto* failing = new CGame(&failPlatform);
        EXPECT_FALSE(failing->Init(nullptr, 640, 480));
        // Nothing after the failing call was asked for.
        failing->Tick();
        failing->OnClick(10, 10);
        const Lines afterInit = failTrace.lines;
        delete failing;
        EXPECT_EQ(failTrace.lines, afterInit);

        std::vector<std::string> made;
        std::vector<std::string> destroyed;
        for (const std::string& note : failTrace.notes) {
            if (note.rfind("new ", 0) == 0) {
                made.push_back(note.substr(4));
            } else if (note.rfind("delete ", 0) == 0) {
                destroyed.push_back(note.substr(7));
            }
        }
        std::vector<std::string> madeSorted = made;
        std::vector<std::string> destroyedSorted = destroyed;
        std::sort(madeSorted.begin(), madeSorted.end());
        std::sort(destroyedSorted.begin(), destroyedSorted.end());
        EXPECT_EQ(madeSorted, destroyedSorted);

        // Order of destruction: surfaces high to low, graphics, music, sound.
        auto at = [&](const std::string& what) {
            return std::find(destroyed.begin(), destroyed.end(), what) - destroyed.begin();
        };
        for (size_t i = 1; i < destroyed.size(); ++i) {
            if (destroyed[i - 1].rfind("surface", 0) == 0 &&
                destroyed[i].rfind("surface", 0) == 0) {
                EXPECT_GT(std::stoi(destroyed[i - 1].substr(8)), std::stoi(destroyed[i].substr(8)));
            }
        }
        const long graphicsAt = at("graphics");
        const long musicAt = at("music");
        const long soundAt = at("sound");
        if (musicAt < static_cast<long>(destroyed.size()) &&
            soundAt < static_cast<long>(destroyed.size())) {
            EXPECT_LT(musicAt, soundAt);
        }
        if (graphicsAt < static_cast<long>(destroyed.size())) {
            for (size_t i = graphicsAt; i < destroyed.size(); ++i) {
                EXPECT_NE(destroyed[i].rfind("surface", 0), 0u);
            }
        }
    }
}

TEST_F(GameFixture, TitleTickAndTheOpeningWipe) {
    Start();
    game->Tick();
    EXPECT_EQ(Take(), (Lines{"draw 16 0 0 640 480 0 0", "present"}));

    game->OnClick(320, 240);
    const Lines wipe = Take();
    ASSERT_EQ(wipe.size(), 301u);
    EXPECT_EQ(wipe[0], "fill 0 0 64 48 0");
    EXPECT_EQ(wipe[1], "present");
    EXPECT_EQ(wipe[2], "sleep 5");
    EXPECT_EQ(wipe[3], "fill 64 0 64 48 0");
    EXPECT_EQ(wipe[27], "fill 576 0 64 48 0");
    EXPECT_EQ(wipe[30], "fill 0 48 64 48 0");
    EXPECT_EQ(wipe[297], "fill 576 432 64 48 0");
    EXPECT_EQ(wipe[300], "music play 0");
    EXPECT_EQ(Count(wipe, "fill "), 100);
    EXPECT_EQ(game->State(), STATE_PLAY);
    EXPECT_EQ(game->Actors().Size(), 9u);

    // The first play step: tick 1, nothing spawned, a whole frame.
    game->Tick();
    const Lines frame = Take();
    EXPECT_EQ(game->PlayTick(), 1);
    EXPECT_EQ(frame.front(), "draw 11 0 0 640 480 0 0");
    EXPECT_EQ(frame[frame.size() - 2], "draw 7 590 10 40 40 0 0");
    EXPECT_EQ(frame.back(), "present");
}

TEST_F(GameFixture, PauseFreezesPlayAndSwallowsClicks) {
    Start();
    game->OnClick(0, 0);
    game->Tick();
    game->TogglePause();
    Take();
    game->Tick();
    game->Tick();
    EXPECT_EQ(Take(), (Lines{"draw 19 195 150 250 80 0 0", "present", "draw 19 195 150 250 80 0 0",
                             "present"}));
    EXPECT_EQ(game->PlayTick(), 1);
    game->OnClick(100, 100);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(game->Actors().Size(), 9u);

    game->TogglePause();
    game->OnClick(100, 100);
    EXPECT_EQ(Take(), (Lines{"sound play 0"}));
    EXPECT_EQ(game->Actors().Size(), 10u);
    game->Tick();
    EXPECT_EQ(game->PlayTick(), 2);
    // The blast was moved once, and drawn in the top layer with its medium disc.
    const Lines frame = Take();
    EXPECT_NE(std::find(frame.begin(), frame.end(), "draw 5 72 72 64 64 64 0"), frame.end());
}

TEST_F(GameFixture, EnterOnTheTitleStartsTheNextGamePaused) {
    Start();
    game->Tick();
    game->TogglePause();
    game->Tick();  // the title does not care
    EXPECT_EQ(Take(),
              (Lines{"draw 16 0 0 640 480 0 0", "present", "draw 16 0 0 640 480 0 0", "present"}));
    game->OnClick(1, 1);
    Take();
    game->Tick();
    // Pause picture over the black of the wipe; no play step.
    EXPECT_EQ(Take(), (Lines{"draw 19 195 150 250 80 0 0", "present"}));
    EXPECT_EQ(game->PlayTick(), 0);
    game->TogglePause();
    game->Tick();
    EXPECT_EQ(game->PlayTick(), 1);
}

TEST_F(GameFixture, PaintShowsTheLastFrameAgain) {
    Start();
    game->Paint();
    EXPECT_EQ(Take(), (Lines{"present"}));
}

TEST(ScoreDigitsTest, DigitsByScore) {
    struct Case {
        int32_t score;
        Lines draws;
    };
    const std::vector<Case> cases = {
        {0, {"draw 0 590 10 40 40 0 0"}},
        {9, {"draw 0 590 10 40 40 360 0"}},
        {10, {"draw 0 590 10 40 40 0 0", "draw 0 550 10 40 40 40 0"}},
        {100, {"draw 0 590 10 40 40 0 0", "draw 0 550 10 40 40 0 0", "draw 0 510 10 40 40 40 0"}},
        {12345,
         {"draw 0 590 10 40 40 200 0", "draw 0 550 10 40 40 160 0", "draw 0 510 10 40 40 120 0",
          "draw 0 470 10 40 40 80 0"}},
        {10005,
         {"draw 0 590 10 40 40 200 0", "draw 0 550 10 40 40 0 0", "draw 0 510 10 40 40 0 0",
          "draw 0 470 10 40 40 0 0"}},
    };
    for (const Case& c : cases) {
        CTrace trace;
        CRecordingGraphics graphics(&trace, nullptr);
        CSurface* digits = graphics.CreateSurface(400, 40, 0);
        trace.lines.clear();
        DrawScore(&graphics, digits, c.score);
        EXPECT_EQ(trace.lines, c.draws) << "score " << c.score;
        delete digits;
    }
}

// With no clicks the first coin of the run reaches the princess. The step
// that ends the game draws no frame; the next tick lays GAME OVER over the
// last frame, ranks the score and asks for a name; OK stores it and wipes
// back to the title.
TEST_F(GameFixture, AnUnclickedFirstGameEndsAndStoresTheName) {
    Start();
    game->OnClick(320, 240);
    Take();
    const int ticks = RunUntilGameEnds(1000);
    ASSERT_GT(ticks, 69);
    EXPECT_EQ(game->State(), STATE_ENDED);
    const Lines last = Take();
    EXPECT_EQ(Count(last, "present"), 0);
    EXPECT_EQ(last[last.size() - 2], "music stop 0");
    EXPECT_EQ(last.back(), "music play 1");

    game->OnClick(5, 5);  // nothing happens in the moment after the end
    EXPECT_TRUE(Take().empty());

    platform.answers.push_back({true, "nana"});
    game->Tick();
    const Lines over = Take();
    ASSERT_GE(over.size(), 6u);
    EXPECT_EQ(over[0], "draw 15 195 115 250 150 0 0");
    EXPECT_EQ(over[1], "present");
    EXPECT_EQ(over[2], "dialog 1");
    EXPECT_EQ(over[3], "dialog ok nana");
    EXPECT_EQ(over[4], "music stop 1");
    EXPECT_EQ(over[5], "fill 576 432 64 48 0");
    EXPECT_EQ(over.back(), "sleep 5");
    EXPECT_EQ(Count(over, "fill "), 100);
    EXPECT_EQ(game->State(), STATE_TITLE);
    EXPECT_EQ(game->Actors().Size(), 0u);
    EXPECT_FALSE(fs::exists(TempFilePath()));

    std::ifstream saved("score.sav");
    std::stringstream content;
    content << saved.rdbuf();
    EXPECT_EQ(content.str(), "0 nana\n0 kiri\n0 kiri\n0 kiri\n0 kiri\n");
}

TEST_F(GameFixture, AScoreWithoutAPlaceWaitsForAClick) {
    {
        std::ofstream table("score.sav");
        table << "50 a\n40 b\n30 c\n20 d\n10 e\n";
    }
    Start();
    game->OnClick(320, 240);
    ASSERT_GT(RunUntilGameEnds(1000), 0);
    Take();
    game->Tick();
    game->Tick();
    EXPECT_EQ(Take(), (Lines{"draw 15 195 115 250 150 0 0", "present",
                             "draw 15 195 115 250 150 0 0", "present"}));
    EXPECT_EQ(game->State(), STATE_GAMEOVER);
    EXPECT_FALSE(fs::exists(TempFilePath()));
    game->OnClick(1, 1);
    EXPECT_EQ(game->State(), STATE_TITLE);
    const Lines back = Take();
    EXPECT_EQ(back.front(), "music stop 1");
    EXPECT_EQ(Count(back, "fill "), 100);
}

TEST_F(GameFixture, ClosingTheDialogStoresNothing) {
    Start();
    game->OnClick(320, 240);
    ASSERT_GT(RunUntilGameEnds(1000), 0);
    platform.answers.push_back({false, ""});
    game->Tick();
    EXPECT_EQ(game->State(), STATE_TITLE);
    EXPECT_FALSE(fs::exists("score.sav"));
    EXPECT_FALSE(fs::exists(TempFilePath()));
}

// The player is told when a score cannot be kept: the place cannot be
// handed to the dialog, the save fails after OK (the old table stays), or the
// score file is there but unreadable (told once; it is never written over).
TEST_F(GameFixture, AScoreThatCannotBeKeptIsSaid) {
    const std::string notSaved = "message スコアの保存に失敗しました";
    const Lines gameOver = {"draw 15 195 115 250 150 0 0", "present"};
    Start();
    fs::create_directory(TempFilePath());
    EXPECT_EQ(PlayToGameOver(), (Lines{gameOver[0], gameOver[1], notSaved}));
    EXPECT_EQ(game->State(), STATE_GAMEOVER);
    fs::remove(TempFilePath());
    game->OnClick(1, 1);

    fs::create_directory("score.sav.new");
    platform.answers.push_back({true, "nana"});
    Lines over = PlayToGameOver();
    ASSERT_GE(over.size(), 5u);
    EXPECT_EQ(Lines(over.begin() + 2, over.begin() + 5),
              (Lines{"dialog 1", "dialog ok nana", notSaved}));
    EXPECT_EQ(game->State(), STATE_TITLE);
    EXPECT_FALSE(fs::exists("score.sav"));
    EXPECT_FALSE(fs::exists(TempFilePath()));
    fs::remove("score.sav.new");

    fs::create_directory("score.sav");
    platform.answers.push_back({true, "nana"});
    EXPECT_EQ(PlayToGameOver(), (Lines{gameOver[0], gameOver[1],
                                       "message スコアを読み込めないため、今回は記録できません"}));
    game->OnClick(1, 1);
    EXPECT_EQ(PlayToGameOver(), gameOver);
    EXPECT_TRUE(fs::is_directory("score.sav"));
    EXPECT_FALSE(fs::exists(TempFilePath()));
}

// Another window that shares the score folder stores its rows while this
// game's name entry is open: they are kept and this row goes in among them;
// when they leave it no place, the player is told so. A regular file where
// the score folder should be is said to be a place that cannot be written.
TEST_F(GameFixture, RowsStoredMeanwhileAreKeptAndEveryLossIsSaid) {
    class CBusyFolderPlatform : public CRecordingPlatform {
    public:
        using CRecordingPlatform::CRecordingPlatform;
        int32_t RunGameOverDialog(HWND owner) override {
            std::ofstream("score.sav") << othersRows;
            return CRecordingPlatform::RunGameOverDialog(owner);
        }
        std::string othersRows;
    };
    const auto stored = [] {
        std::stringstream content;
        content << std::ifstream("score.sav").rdbuf();
        return content.str();
    };
    std::ofstream("score.sav") << "9 ann\n8 ben\n-1 cat\n-2 dan\n-3 eve\n";
    CBusyFolderPlatform busy(&trace);
    game = new CGame(&busy);
    ASSERT_TRUE(game->Init(nullptr, 640, 480));

    busy.othersRows = "9 ann\n8 ben\n0 bob\n-1 cat\n-2 dan\n";
    busy.answers.push_back({true, "alice"});
    EXPECT_EQ(Count(PlayToGameOver(), "message "), 0);
    EXPECT_EQ(stored(), "9 ann\n8 ben\n0 alice\n0 bob\n-1 cat\n");

    busy.othersRows = "5 a\n4 b\n3 c\n2 d\n1 e\n";
    busy.answers.push_back({true, "alice"});
    const Lines over = PlayToGameOver();
    EXPECT_EQ(Count(over, "message ほかのスコアが先に記録され、トップ５に入れませんでした"), 1);
    EXPECT_EQ(stored(), "5 a\n4 b\n3 c\n2 d\n1 e\n");
    EXPECT_FALSE(fs::exists(TempFilePath()));

    std::ofstream("data");
    SetScoreFolder("data/miruto-nana");
    EXPECT_EQ(Count(PlayToGameOver(), "message スコアの保存先を作れないため、今回は記録できません"),
              1);
    SetScoreFolder("");
    delete game;
    game = nullptr;
}

}  // namespace
