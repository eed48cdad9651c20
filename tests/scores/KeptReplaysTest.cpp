// The replays kept with the rows of the score table.
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "ScoreTestFiles.h"
#include "scores/KeptReplays.h"
#include "scores/ScoreTable.h"

namespace {

namespace fs = std::filesystem;

class KeptReplaysTest : public ScoreFilesTest {
protected:
    ScoreSaveResult Insert(int32_t score, const std::string& typed, const std::string& replay,
                           const std::string& temp = "work.temp") {
        WriteFile(temp, typed);
        return InsertScore(table, score, Path("score.sav"), Path(temp), replay);
    }
    // Each listed row's place, score and name with the text of its replay.
    std::map<int32_t, std::string> Listed() {
        std::vector<SKeptReplay> kept;
        EXPECT_TRUE(LoadKeptReplays(kept, Path("score.sav")));
        std::map<int32_t, std::string> rows;
        for (const SKeptReplay& replay : kept) {
            std::string text;
            EXPECT_EQ(ReadKeptReplay(replay.path, text, 1 << 20, Path("score.sav")), FILE_READ_OK);
            rows[replay.place] = std::to_string(replay.score) + " " + replay.name + ": " + text;
        }
        return rows;
    }
    size_t FileCount(const std::string& folder) {
        size_t count = 0;
        for (auto it = fs::directory_iterator(dir / folder); it != fs::directory_iterator(); ++it) {
            ++count;
        }
        return count;
    }

    ScoreEntry table[kScoreRows];
};

TEST_F(KeptReplaysTest, EachRowFindsItsOwnReplayAndRowsThatLeaveTakeTheirsAlong) {
    WriteFile("score.sav", "50 ann\n40 bob\n30 cat\n20 dan\n10 eve\n");
    // Equal rows, one name written with escapes, one with CP932 bytes.
    const std::string nana = "\x83\x69\x83\x69";
    ASSERT_EQ(Insert(20, "kiri", "first kiri"), SCORE_SAVE_STORED);
    ASSERT_EQ(Insert(20, "kiri", "second kiri"), SCORE_SAVE_STORED);
    std::map<int32_t, std::string> expected = {
        {4, "20 kiri: second kiri"},
        {5, "20 kiri: first kiri"},
    };
    EXPECT_EQ(Listed(), expected);
    ASSERT_EQ(Insert(45, "a_b%c.d", "odd name"), SCORE_SAVE_STORED);
    EXPECT_EQ(ReadFile("score.sav"), "50 ann\n45 a_b%c.d\n40 bob\n30 cat\n20 kiri\n");
    expected = {
        {2, "45 a_b%c.d: odd name"},
        {5, "20 kiri: second kiri"},
    };
    EXPECT_EQ(Listed(), expected);
    EXPECT_EQ(FileCount("replays"), 2u);

    // A row stored without a replay, and one with a name of kana.
    ASSERT_EQ(Insert(60, "zed", ""), SCORE_SAVE_STORED);
    ASSERT_EQ(Insert(45, nana + " chan", "kana"), SCORE_SAVE_STORED);
    expected = {{3, "45 " + nana + ": kana"}, {4, "45 a_b%c.d: odd name"}};
    EXPECT_EQ(Listed(), expected);
    EXPECT_EQ(FileCount("replays"), 2u);

    // The table rewritten from elsewhere: rows that are gone lose their
    // replays, and the last session's file is no row's.
    ASSERT_TRUE(
        KeepLastSession("#miruto-nana-replay 1 game=1.0.0 form=linux seed=1 "
                        "time=2026-12-08T15:44:45Z\nend\n",
                        Path("score.sav")));
    for (int32_t i = 0; i < kScoreRows; ++i) {
        table[i] = {i, "nobody"};
    }
    ASSERT_TRUE(ReplaceScores(table, Path("score.sav")));
    EXPECT_EQ(FileCount("replays"), 1u);
    std::vector<SKeptReplay> kept;
    ASSERT_TRUE(LoadKeptReplays(kept, Path("score.sav")));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].place, 0);
    EXPECT_EQ(kept[0].time, 1796744685);
}

// A name of every byte a row may hold comes back from the file's name as it
// went in; other files in the folder are no row's.
TEST_F(KeptReplaysTest, AFileNameReadsBackAsTheRowItWasMadeFor) {
    SKeptReplayName kept;
    kept.score = -2147483647 - 1;
    kept.time = 4102444799;  // 2099-12-31T23:59:59Z
    kept.serial = 18446744073709551615u;
    for (int byte = 0x21; byte < 0x100; byte += 8) {
        kept.name += static_cast<char>(byte);
    }
    const std::string name = KeptReplayFileName(kept);
    SKeptReplayName read;
    ASSERT_TRUE(ReadKeptReplayFileName(name, &read)) << name;
    EXPECT_EQ(read.score, kept.score);
    EXPECT_EQ(read.name, kept.name);
    EXPECT_EQ(read.time, kept.time);
    EXPECT_EQ(read.serial, kept.serial);
    for (const char* other :
         {"last.replay", "5_kiri_20261208T154445Z_1.replay.new",
          "05_kiri_20261208T154445Z_1.replay", "5_ki%72i_20261208T154445Z_1.replay",
          "5_ki%20ri_20261208T154445Z_1.replay", "5__20261208T154445Z_1.replay",
          "5_kiri_20261308T154445Z_1.replay", "2147483648_kiri_20261208T154445Z_1.replay",
          "5_kiri_20261208T154445Z_1_2.replay"}) {
        EXPECT_FALSE(ReadKeptReplayFileName(other, &read)) << other;
    }
}

// Two games that save at once into one folder, round after round: each row
// keeps its own replay, and no save removes the other's.
TEST_F(KeptReplaysTest, TwoGamesSavingAtOnceKeepTheirReplaysWithTheirRows) {
    for (int round = 0; round < 60; ++round) {
        WriteFile("score.sav", "9 ann\n8 ben\n-1 cat\n-2 dan\n-3 eve\n");
        ScoreEntry tables[2][kScoreRows];
        ScoreSaveResult results[2];
        std::thread games[2];
        std::atomic<int> ready = 0;
        for (int k = 0; k < 2; ++k) {
            const std::string name = k == 0 ? "alice" : "bruno";
            const std::string temp = "work." + name + ".temp";
            WriteFile(temp, name);
            games[k] = std::thread([&, k, name, temp] {
                for (++ready; ready < 2;) {
                }
                results[k] =
                    InsertScore(tables[k], 0, Path("score.sav"), Path(temp), "replay of " + name);
            });
        }
        for (std::thread& game : games) {
            game.join();
        }
        ASSERT_EQ(results[0], SCORE_SAVE_STORED) << "round " << round;
        ASSERT_EQ(results[1], SCORE_SAVE_STORED) << "round " << round;
        const std::map<int32_t, std::string> rows = Listed();
        ASSERT_EQ(rows.size(), 2u) << "round " << round;
        for (const auto& [place, row] : rows) {
            const std::string name = row.substr(2, 5);
            ASSERT_EQ(row, "0 " + name + ": replay of " + name) << "round " << round;
        }
        ASSERT_EQ(FileCount("replays"), 2u) << "round " << round;
    }
}

// A replays folder that is a link, or a file in its place, is never written
// through or removed: the row is stored all the same, and the game says the
// replay was not kept. Links and pipes among the replays are never read.
TEST_F(KeptReplaysTest, NoLinkIsFollowedAndAReplayThatCannotBeKeptLeavesTheRowStored) {
    fs::create_directories(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "replays");
    EXPECT_EQ(Insert(5, "kiri", "through a link"), SCORE_SAVE_STORED_BARE);
    EXPECT_EQ(ReadFile("score.sav"), "5 kiri\n0 kiri\n0 kiri\n0 kiri\n0 kiri\n");
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    EXPECT_FALSE(KeepLastSession("end\n", Path("score.sav")));
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));

    fs::remove(dir / "replays");
    WriteFile("replays", "a file");
    EXPECT_EQ(Insert(6, "kiri", "over a file"), SCORE_SAVE_STORED_BARE);
    EXPECT_EQ(ReadFile("replays"), "a file");

    fs::remove(dir / "replays");
    ASSERT_EQ(Insert(7, "kiri", "kept"), SCORE_SAVE_STORED);
    std::vector<SKeptReplay> kept;
    ASSERT_TRUE(LoadKeptReplays(kept, Path("score.sav")));
    ASSERT_EQ(kept.size(), 1u);
    // Its file swapped for a link to a secret, then for a pipe.
    WriteFile("secret", "secret");
    fs::remove(kept[0].path);
    fs::create_symlink(dir / "secret", kept[0].path);
    std::string text;
    EXPECT_EQ(ReadKeptReplay(kept[0].path, text, 1 << 20, Path("score.sav")), FILE_READ_REFUSED);
    fs::remove(kept[0].path);
    ASSERT_EQ(mkfifo(kept[0].path.c_str(), 0600), 0);
    EXPECT_EQ(ReadKeptReplay(kept[0].path, text, 1 << 20, Path("score.sav")), FILE_READ_REFUSED);
    EXPECT_TRUE(text.empty());
    // Rows that leave take nothing but regular files along.
    for (int32_t i = 0; i < kScoreRows; ++i) {
        table[i] = {100, "other"};
    }
    ASSERT_TRUE(ReplaceScores(table, Path("score.sav")));
    EXPECT_TRUE(fs::is_fifo(kept[0].path));
    EXPECT_EQ(ReadFile("secret"), "secret");
}

}  // namespace
