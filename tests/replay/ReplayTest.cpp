#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "actors/GameRandom.h"
#include "devices/NullDevices.h"
#include "game/Game.h"
#include "replay/LastSession.h"
#include "replay/RecordedSession.h"
#include "replay/ReplayCheck.h"
#include "replay/ReplayPlatform.h"
#include "replay/ReplayPlayer.h"
#include "replay/ReplayRun.h"
#include "replay/ReplayScript.h"
#include "scores/KeptReplays.h"
#include "tools/recording/RecordingDevices.h"

namespace {

namespace fs = std::filesystem;

// Several games: a start, clicks all over the field, a pause, names typed
// and a dialog closed, games that end with no place and wait for a click.
std::string PlayScript() {
    const int xs[] = {100, 500, 300, 420, 200, 560, 80, 350};
    const int ys[] = {120, 300, 220, 80, 400, 180, 260, 340};
    std::ostringstream script;
    script << "tick 1\nclick 320 240\ntick 60\n";
    int k = 0;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 40; ++i, ++k) {
            script << "click " << xs[k % 8] << " " << ys[k * 3 % 8] << "\ntick " << 7 + k % 5
                   << "\n";
        }
        script << "enter\ntick 30\nenter\ntick 200\nname nana chan\nname momo\nclose\n"
                  "tick 400\nclick 320 240\ntick 60\n";
    }
    script << "tick 3000\n";
    return script.str();
}

int64_t FixedClock() {
    return 1796744685;  // 2026-12-08T15:44:45Z
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A scratch folder as the working folder, where the score files go; the
// generator as it was before.
class ReplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedRandom = GameRandomState();
        oldDir = fs::current_path();
        root = fs::temp_directory_path() /
               ("replay-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "form");
        fs::current_path(root / "form");
    }
    void TearDown() override {
        fs::current_path(oldDir);
        fs::remove_all(root);
        SetGameRandomState(savedRandom);
    }

    // A form, faked: it passes the script's commands to its session as the
    // real ones pass clicks, keys and ticks, and answers the name entry
    // from the script. Notes each game's end as the player saw it.
    struct SFakeForm {
        CTrace trace;
        CRecordingPlatform platform{&trace};
        CRecordedSession session{&platform, "linux"};
        std::vector<int32_t> seenScores;
        std::vector<SStoredRow> rows;

        SFakeForm() {
            session.SetClock(&FixedClock);
            session.SetRowObserver([this](const SStoredRow& row) { rows.push_back(row); });
            EXPECT_TRUE(session.Init(nullptr, 640, 480));
        }
        void Play(const std::string& text) {
            SReplayScript script;
            std::string error;
            ASSERT_TRUE(ReadReplayScript(text, false, &script, &error)) << error;
            for (const SReplayCommand& command : script.commands) {
                switch (command.kind) {
                    case REPLAY_TICK:
                        for (int64_t k = 0; k < command.a; ++k) {
                            session.Tick();
                            if (session.Game().State() == STATE_ENDED) {
                                seenScores.push_back(session.Game().Score());
                            }
                        }
                        break;
                    case REPLAY_CLICK:
                        session.OnClick(static_cast<int32_t>(command.a),
                                        static_cast<int32_t>(command.b));
                        break;
                    case REPLAY_ENTER:
                        session.TogglePause();
                        break;
                    case REPLAY_NAME:
                    case REPLAY_CLOSE:
                        platform.answers.push_back({command.kind == REPLAY_NAME, command.text});
                        break;
                    default:
                        FAIL() << "not a form's input";
                }
            }
        }
    };

    // The replay run as the replay tool runs it: recording devices and the
    // score files of the working folder.
    struct STraceHost : CReplayHost {
        explicit STraceHost(CRecordingPlatform* platform) : platform(platform) {}
        void QueueAnswer(const SReplayAnswer& answer) override {
            platform->answers.push_back({answer.ok, answer.name});
        }
        size_t PendingAnswers() const override { return platform->answers.size(); }
        CRecordingPlatform* platform;
    };

    std::vector<std::string> RunWithFiles(const std::string& text, std::string* error) {
        SReplayScript script;
        EXPECT_TRUE(ReadReplayScript(text, false, &script, error)) << *error;
        CTrace trace;
        CRecordingPlatform platform(&trace);
        CReplayScoreKeeper keeper(&FileScoreKeeper());
        CGame game(&platform);
        game.SetScoreKeeper(&keeper);
        EXPECT_TRUE(game.Init(nullptr, 640, 480));
        STraceHost host(&platform);
        CReplayRun run(script, &game, &keeper, &host);
        EXPECT_TRUE(run.RunAll()) << run.Error();
        return trace.lines;
    }

    uint32_t savedRandom = 1;
    fs::path oldDir;
    fs::path root;
};

// The earlier sessions' table: a game of 0 earns no place and waits for a
// click, one of 10 earns third place.
constexpr const char* kEarlierTable = "30 aki\n20 bo\n10 chi\n5 de\n5 e\n";

TEST_F(ReplayTest, AFormsRecordingTakesThePathItsSessionTook) {
    // Each branch of the game over: a table of earlier sessions (a place,
    // or none and a click), a score file that cannot be read (no table at
    // all), a place that cannot be handed to the name entry.
    const char* const kFolders[] = {"table", "unreadable", "no-entry"};
    const char* const kBranchLines[] = {"\nname nana chan\n", "\ntable unkept\n", " noentry\n"};
    for (int branch = 0; branch < 3; ++branch) {
        const char* folder = kFolders[branch];
        SCOPED_TRACE(folder);
        const fs::path formDir = root / folder;
        fs::create_directories(formDir);
        fs::current_path(formDir);
        if (folder == kFolders[0]) {
            std::ofstream(formDir / "score.sav") << kEarlierTable;
        } else {
            fs::create_directories(formDir /
                                   (folder == kFolders[1] ? "score.sav" : TempFilePath()));
        }
        SetGameRandomState(4242);
        SFakeForm form;
        form.Play(PlayScript());
        const std::string text = form.session.Text();
        ASSERT_FALSE(form.seenScores.empty());
        EXPECT_NE(text.find(kBranchLines[branch]), std::string::npos);
        EXPECT_EQ(text.substr(0, text.find('\n')),
                  "#miruto-nana-replay 1 game=" + std::string(GameVersionText()) +
                      " form=linux seed=4242 time=2026-12-08T15:44:45Z");

        // Run again in a folder with no table at all, the trace and the
        // final table are the form's: the table lines stand in for the files.
        fs::remove_all(root / "replay");
        fs::create_directories(root / "replay");
        fs::current_path(root / "replay");
        std::string error;
        const std::vector<std::string> replayed = RunWithFiles(text, &error);
        EXPECT_EQ(replayed, form.trace.lines);
        EXPECT_EQ(ReadFile(root / "replay" / "score.sav"), ReadFile(formDir / "score.sav"));

        // The checker sees the scores the player saw; every row's replay
        // ends with the game that stored it, under its name.
        SReplaySummary summary;
        ASSERT_TRUE(CheckReplay(text, &summary, &error)) << error;
        std::vector<int32_t> checked;
        for (const SReplayGame& played : summary.games) {
            checked.push_back(played.score);
        }
        EXPECT_EQ(checked, form.seenScores);
        EXPECT_EQ(summary.seed, 4242u);
        for (const SStoredRow& row : form.rows) {
            ASSERT_TRUE(CheckReplay(row.replay, &summary, &error)) << error;
            ASSERT_FALSE(summary.games.empty());
            EXPECT_EQ(summary.games.back().score, row.score);
            EXPECT_TRUE(summary.games.back().named);
            EXPECT_EQ(summary.games.back().name, row.name);
        }
        EXPECT_EQ(form.rows.empty(), folder != kFolders[0]);
        if (!form.rows.empty()) {
            EXPECT_EQ(form.rows.front().name, "nana");
        }
        // Beside the score file, the rows still in the table keep the very
        // replays that stored them, the last one at the place it took.
        std::vector<SKeptReplay> kept;
        LoadKeptReplays(kept, (formDir / "score.sav").string());
        for (const SKeptReplay& replay : kept) {
            std::string text;
            ASSERT_EQ(ReadKeptReplay(replay.path, text, kReplayMaxBytes,
                                     (formDir / "score.sav").string()),
                      FILE_READ_OK);
            const bool lastRow = replay.place == form.rows.back().place;
            EXPECT_TRUE(std::any_of(form.rows.begin(), form.rows.end(), [&](const SStoredRow& row) {
                return row.replay == text && (!lastRow || &row == &form.rows.back());
            })) << replay.path;
        }
        EXPECT_EQ(kept.size(), std::min<size_t>(form.rows.size(), kScoreRows));
    }
}

TEST_F(ReplayTest, ARecordingStartsAfreshAtTheTitleBeforeTheLimits) {
    SetGameRandomState(99);
    CNullPlatform devices;
    CRecordedSession session(&devices, "linux");
    ASSERT_TRUE(session.Init(nullptr, 640, 480));
    auto ticks = [&](int64_t count) {
        for (int64_t k = 0; k < count; ++k) {
            session.Tick();
        }
    };
    auto playOneGame = [&] {
        session.OnClick(320, 240);
        while (session.Game().State() == STATE_PLAY) {
            session.Tick();
        }
        ticks(2);
        if (session.Game().State() == STATE_GAMEOVER) {
            session.OnClick(1, 1);
        }
    };
    std::string error;
    SReplaySummary summary;

    // Hours at the title after a game: the recording starts again there,
    // from the generator's state and the pause flag.
    playOneGame();
    session.TogglePause();
    ticks(kReplayMaxTicks / 4 * 3);
    const uint32_t stateAtTitle = GameRandomState();
    ticks(1);
    session.TogglePause();
    playOneGame();
    std::string text = session.Text();
    EXPECT_NE(text.find("seed=" + std::to_string(stateAtTitle) + " "), std::string::npos);
    EXPECT_NE(text.find("\nseed " + std::to_string(stateAtTitle) + "\nenter\ntick "),
              std::string::npos);
    ASSERT_TRUE(CheckReplay(text, &summary, &error)) << error;
    EXPECT_EQ(summary.games.size(), 1u);

    // A game paused past the limit: the recording goes back to where it
    // started, and starts again at the next title screen.
    session.OnClick(320, 240);
    session.TogglePause();
    ticks(kReplayMaxTicks + 1);
    EXPECT_EQ(session.Text(), text);
    session.TogglePause();
    while (session.Game().State() == STATE_PLAY) {
        session.Tick();
    }
    ticks(2);
    if (session.Game().State() == STATE_GAMEOVER) {
        session.OnClick(1, 1);
    }
    ticks(1);
    playOneGame();
    ASSERT_TRUE(CheckReplay(session.Text(), &summary, &error)) << error;
    EXPECT_EQ(summary.games.size(), 1u);
}

// A replay recorded by a form, to spoil.
std::string RecordedReplay() {
    SetGameRandomState(1);
    CMemoryScoreKeeper table;
    CReplayPlatform platform(nullptr, &table);
    CRecordedSession session(&platform, "linux", &table);
    session.SetClock(&FixedClock);
    session.Init(nullptr, 640, 480);
    platform.QueueAnswer({true, "kiri"});
    session.Tick();
    for (int k = 0; k < 3; ++k) {
        session.OnClick(320, 240);
        for (int t = 0; t < 700; ++t) {
            if (t % 9 == 0) {
                session.OnClick(90 + t % 400, 100 + t % 200);
            }
            session.Tick();
        }
        session.OnClick(320, 240);
        session.Tick();
    }
    return session.Text();
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST_F(ReplayTest, ForgedBrokenAndHostileReplaysAreRefused) {
    const std::string text = RecordedReplay();
    SReplaySummary summary;
    std::string error;
    ASSERT_TRUE(CheckReplay(text, &summary, &error)) << error;
    ASSERT_GE(summary.games.size(), 2u);
    const std::string score = "\nscore " + std::to_string(summary.games[1].score) + "\n";
    const size_t tableAt = text.find("\ntable ");
    const size_t tableEnd = text.find('\n', tableAt + 1);
    const std::string tableLine = text.substr(tableAt + 1, tableEnd - tableAt);
    std::string reordered = text;
    reordered.erase(tableAt + 1, tableLine.size());
    reordered = Replace(reordered, "\ntick 1\n", "\ntick 1\n" + tableLine);

    const std::pair<const char*, std::string> spoiled[] = {
        {"a forged score",
         Replace(text, score, "\nscore " + std::to_string(summary.games[1].score + 5) + "\n")},
        {"cut short", text.substr(0, text.size() - 4)},
        {"a table after its tick", reordered},
        {"over two hours", Replace(text, "\nend\n", "\ntick 180000\nend\n")},
        {"a name with a line break's kin", Replace(text, "\nname kiri\n", "\nname ki\x01ri\n")},
        {"binary", std::string("\x7f"
                               "ELF\x02\x01\x01\0\0\0",
                               10) +
                       text},
        {"over 1 MiB", text + std::string(kReplayMaxBytes, '#')},
        {"a newer format", Replace(text, "replay 1 ", "replay 2 ")},
        {"no first line", text.substr(text.find('\n') + 1)},
    };
    for (const auto& [what, bad] : spoiled) {
        EXPECT_FALSE(CheckReplay(bad, &summary, &error)) << what;
        EXPECT_FALSE(error.empty()) << what;
    }
    EXPECT_TRUE(CheckReplay(text, &summary, &error)) << error;
}

TEST_F(ReplayTest, ChecksOnSeveralThreadsAtOnceAgree) {
    const std::string text = RecordedReplay();
    SetGameRandomState(777);
    SReplaySummary alone;
    std::string error;
    ASSERT_TRUE(CheckReplay(text, &alone, &error)) << error;
    EXPECT_EQ(GameRandomState(), 777u);
    std::vector<SReplaySummary> summaries(4);
    std::vector<std::thread> threads;
    for (SReplaySummary& summary : summaries) {
        threads.emplace_back([&text, &summary] {
            std::string why;
            for (int k = 0; k < 3; ++k) {
                CheckReplay(text, &summary, &why);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const SReplaySummary& summary : summaries) {
        ASSERT_EQ(summary.games.size(), alone.games.size());
        for (size_t i = 0; i < alone.games.size(); ++i) {
            EXPECT_EQ(summary.games[i].score, alone.games[i].score);
            EXPECT_EQ(summary.games[i].endTick, alone.games[i].endTick);
        }
    }
}

TEST_F(ReplayTest, WatchingLeavesThePlayersOwnSessionAsItWas) {
    std::ofstream(root / "form" / "score.sav") << kEarlierTable;
    const std::string table = ReadFile(root / "form" / "score.sav");
    // A replay whose every game earns first place and stores a name.
    const std::string replay =
        Replace(RecordedReplay(), "\ntable ", "\ntable -1 x -1 x -1 x -1 x -1 x\n#");
    // The player's own game, part-way through; and the same game again,
    // never interrupted, to compare with.
    auto playerRun = [&](bool watch, std::vector<std::string>* lines) {
        SetGameRandomState(31);
        CTrace trace;
        CRecordingPlatform platform(&trace);
        CRecordedSession own(&platform, "linux");
        ASSERT_TRUE(own.Init(nullptr, 640, 480));
        own.Tick();
        own.OnClick(320, 240);
        for (int t = 0; t < 100; ++t) {
            own.Tick();
        }
        if (watch) {
            const size_t before = trace.lines.size();
            CReplayPlayer player(&platform);
            std::string error;
            ASSERT_TRUE(player.Start(replay, 1, nullptr, 640, 480, &error)) << error;
            // The first game ran unseen and unheard: only the set-up shows.
            for (size_t i = before; i < trace.lines.size(); ++i) {
                const std::string& line = trace.lines[i];
                EXPECT_TRUE(line.rfind("draw ", 0) != 0 && line.rfind("fill ", 0) != 0 &&
                            line != "present" && line.rfind("music play", 0) != 0 &&
                            line.rfind("sound play", 0) != 0)
                    << line;
            }
            int steps = 0;
            while (player.Step()) {
                ++steps;
            }
            EXPECT_TRUE(player.Error().empty()) << player.Error();
            EXPECT_GT(steps, 700);
            trace.lines.resize(before);
        }
        for (int t = 0; t < 2000; ++t) {
            own.Tick();
        }
        *lines = trace.lines;
    };
    std::vector<std::string> watched;
    std::vector<std::string> unwatched;
    playerRun(true, &watched);
    playerRun(false, &unwatched);
    EXPECT_EQ(watched, unwatched);
    EXPECT_EQ(ReadFile(root / "form" / "score.sav"), table);
    EXPECT_FALSE(fs::exists(root / "form" / TempFilePath()));
}

// The last session's file: none from a run that started no game (one that
// only watched), and written as soon as a game over step has run, the name
// typed with it, so that a program that dies there loses nothing of it.
TEST_F(ReplayTest, TheLastSessionIsKeptAfterEachGameOverAndNeverWithoutAGame) {
    SetGameRandomState(5);
    CTrace trace;
    CRecordingPlatform platform(&trace);
    CRecordedSession session(&platform, "linux");
    ASSERT_TRUE(session.Init(nullptr, 640, 480));
    CLastSessionKeeper keeper(&session);
    const fs::path last = root / "form" / "replays" / kLastSessionFileName;
    for (int t = 0; t < 2 * CLastSessionKeeper::kPlayTicksBetweenWrites; ++t) {
        session.Tick();
        EXPECT_FALSE(keeper.AfterTick());
    }
    EXPECT_TRUE(keeper.Finish());
    EXPECT_FALSE(fs::exists(last));

    platform.answers.push_back({true, "nana"});
    session.OnClick(320, 240);
    for (int t = 0; t < 1000 && session.Game().State() != STATE_TITLE; ++t) {
        session.Tick();
        EXPECT_FALSE(keeper.AfterTick());
    }
    ASSERT_EQ(session.Game().State(), STATE_TITLE);
    SReplaySummary summary;
    std::string error;
    ASSERT_TRUE(CheckReplay(ReadFile(last), &summary, &error)) << error;
    ASSERT_EQ(summary.games.size(), 1u);
    EXPECT_TRUE(summary.games[0].named);
    EXPECT_EQ(summary.games[0].name, "nana");
}

}  // namespace
