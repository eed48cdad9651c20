// The score file survives interrupted and failed saves, is never written
// over or through what it must not be, never makes the game wait, and no
// file, however hostile, can overrun a name.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ScoreTestFiles.h"
#include "scores/HighScoreList.h"
#include "scores/NameEntry.h"
#include "scores/ScoreFolder.h"
#include "scores/ScoreTable.h"

namespace {

class ScoreFileSafetyTest : public ScoreFilesTest {
protected:
    void Load() { LoadScores(table, Path("score.sav").c_str()); }

    ScoreEntry table[kScoreRows];
};

constexpr const char* kRanked = "500 ann\n400 bob\n300 cat\n200 dan\n100 eve\n";

TEST_F(ScoreFileSafetyTest, ASaveCutShortBeforeItsRenameLeavesTheOldTableWhole) {
    WriteFile("score.sav", kRanked);
    Load();
    table[0] = {900, "new"};
    // The save dies after writing part of its new file.
    WriteFile("score.sav.new", ScoreFileText(table).substr(0, 5));
    EXPECT_EQ(ReadFile("score.sav"), kRanked);

    // The next save goes through over the remains.
    ASSERT_TRUE(SaveScores(table, Path("score.sav").c_str()));
    EXPECT_EQ(ReadFile("score.sav"), "900 new\n400 bob\n300 cat\n200 dan\n100 eve\n");
    EXPECT_FALSE(Exists("score.sav.new"));
}

// Whatever step fails (making the new file, writing it on a full disk,
// putting it in place), the save says so and the old file stays byte for
// byte; so does a temporary file that cannot be written.
TEST_F(ScoreFileSafetyTest, AFailedSaveIsReportedAndLeavesTheOldFile) {
    WriteFile("score.sav", kRanked);
    Load();
    table[0] = {900, "new"};
    std::filesystem::create_directory(dir / "score.sav.new");
    EXPECT_FALSE(SaveScores(table, Path("score.sav").c_str()));
    EXPECT_EQ(ReadFile("score.sav"), kRanked);
    std::filesystem::remove(dir / "score.sav.new");
    EXPECT_FALSE(SaveScores(table, Path("no/such/dir/score.sav").c_str()));

    // A disk that fills up after 10 bytes, in a child process.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit full = {10, 10};
        setrlimit(RLIMIT_FSIZE, &full);
        _exit(SaveScores(table, Path("score.sav").c_str()) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save reported success";
    EXPECT_EQ(ReadFile("score.sav"), kRanked);
    EXPECT_FALSE(Exists("score.sav.new"));

    std::filesystem::create_directory(dir / "work.temp");
    EXPECT_FALSE(WritePlace(1, Path("work.temp").c_str()));
    CNameEntry entry;
    EXPECT_FALSE(entry.Confirm(Path("work.temp").c_str()));
    EXPECT_EQ(InsertScore(table, 950, Path("score.sav").c_str(), Path("work.temp").c_str()),
              SCORE_SAVE_FAILED);
    EXPECT_EQ(ReadFile("score.sav"), kRanked);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "work.temp"));
}

// A score file that is there but cannot be read (a folder, a link, a file
// this account may not read) gives the defaults and is never written over,
// renamed or removed; nor is the copy an interrupted save left beside it.
// The check runs a second time as an ordinary user, for the last case.
TEST_F(ScoreFileSafetyTest, AFileThatCannotBeReadIsNeverWrittenOver) {
    WriteFile("elsewhere", kRanked);
    const auto makeFolder = [&] { std::filesystem::create_directory(dir / "score.sav"); };
    const auto makeLink = [&] {
        std::filesystem::create_symlink(dir / "elsewhere", dir / "score.sav");
    };
    const auto makeSecret = [&] {
        WriteFile("score.sav", kRanked);
        chmod(Path("score.sav").c_str(), 0);
    };
    std::vector<std::function<void()>> kinds = {makeFolder, makeLink};
    if (geteuid() != 0) {
        kinds.push_back(makeSecret);
    }
    for (const auto& make : kinds) {
        std::filesystem::remove_all(dir / "score.sav");
        make();
        WriteFile("score.sav.old", "1 old\n");
        const auto before = std::filesystem::symlink_status(dir / "score.sav").type();
        table[0] = {900, "new"};
        EXPECT_EQ(LoadScores(table, Path("score.sav").c_str()), SCORE_FILE_UNREADABLE);
        EXPECT_EQ(table[0].score, 0);
        EXPECT_STREQ(table[0].name, "kiri");
        CHighScoreList list;
        EXPECT_FALSE(list.Load(Path("score.sav").c_str()));

        table[0] = {900, "new"};
        EXPECT_FALSE(SaveScores(table, Path("score.sav").c_str()));
        EXPECT_EQ(std::filesystem::symlink_status(dir / "score.sav").type(), before);
        EXPECT_EQ(ReadFile("score.sav.old"), "1 old\n");
        EXPECT_EQ(ReadFile("elsewhere"), kRanked);
        EXPECT_FALSE(Exists("score.sav.new"));
        EXPECT_FALSE(Exists("score.sav.bad"));
    }
    chmod(Path("score.sav").c_str(), 0600);
}

// A pipe under either name is never opened for reading in a way that waits
// for a writer, nor written to, nor removed: the game goes on.
TEST_F(ScoreFileSafetyTest, APipeUnderEitherNameNeverBlocks) {
    ASSERT_EQ(mkfifo(Path("score.sav").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(Path("work.temp").c_str(), 0600), 0);
    EXPECT_EQ(LoadScores(table, Path("score.sav").c_str()), SCORE_FILE_UNREADABLE);
    CHighScoreList list;
    EXPECT_FALSE(list.Load(Path("score.sav").c_str()));
    EXPECT_FALSE(SaveScores(table, Path("score.sav").c_str()));

    CNameEntry entry;
    EXPECT_FALSE(entry.Open(Path("work.temp").c_str()));
    EXPECT_FALSE(WritePlace(2, Path("work.temp").c_str()));
    EXPECT_FALSE(entry.Confirm(Path("work.temp").c_str()));
    EXPECT_EQ(InsertScore(table, 5, Path("other.sav").c_str(), Path("work.temp").c_str()),
              SCORE_SAVE_FAILED);
    DeleteTemp(Path("work.temp").c_str());
    EXPECT_EQ(std::filesystem::status(dir / "score.sav").type(), std::filesystem::file_type::fifo);
    EXPECT_EQ(std::filesystem::status(dir / "work.temp").type(), std::filesystem::file_type::fifo);
}

// A link planted under any name the save writes (the temporary file, the
// new table, the kept copy of a damaged one) never carries a write to the
// file it points at.
TEST_F(ScoreFileSafetyTest, WritesNeverFollowALink) {
    WriteFile("victim", "precious");
    for (const char* name : {"work.temp", "score.sav.new", "score.sav.bad"}) {
        std::filesystem::create_symlink(dir / "victim", dir / name);
    }
    EXPECT_FALSE(WritePlace(1, Path("work.temp").c_str()));
    CNameEntry entry;
    EXPECT_FALSE(entry.Confirm(Path("work.temp").c_str()));
    WriteFile("score.sav", "xx B\n" + std::string(kRanked));
    Load();
    EXPECT_FALSE(SaveScores(table, Path("score.sav").c_str()));

    std::filesystem::remove(dir / "score.sav.new");
    EXPECT_TRUE(SaveScores(table, Path("score.sav").c_str()));
    EXPECT_EQ(ReadFile("score.sav"), kRanked);
    EXPECT_EQ(ReadFile("victim"), "precious");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "work.temp"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "score.sav.bad"));
}

// The score folder's lock: a second taker waits until the first lets go,
// gives up when its wait runs out, and takes nothing but a regular file of
// its own: never a link (nor what it points at), never a pipe.
TEST_F(ScoreFileSafetyTest, TheLockWaitsItsTurnAndTakesOnlyARegularFile) {
    const std::string lockPath = Path("score.sav.lock");
    auto first = std::make_unique<CScoreLock>(lockPath);
    ASSERT_TRUE(first->Held());
    EXPECT_FALSE(CScoreLock(lockPath, 50).Held());
    std::thread letGo([&first] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        first.reset();
    });
    EXPECT_TRUE(CScoreLock(lockPath).Held());
    letGo.join();

    std::filesystem::remove(lockPath);
    std::filesystem::create_symlink(dir / "made", lockPath);
    EXPECT_FALSE(CScoreLock(lockPath, 0).Held());
    EXPECT_FALSE(Exists("made"));
    std::filesystem::remove(lockPath);
    ASSERT_EQ(mkfifo(lockPath.c_str(), 0600), 0);
    EXPECT_FALSE(CScoreLock(lockPath, 0).Held());
}

TEST_F(ScoreFileSafetyTest, ATableMovedAsideByAnInterruptedSaveIsStillFound) {
    WriteFile("score.sav.old", kRanked);
    Load();
    EXPECT_EQ(table[4].score, 100);
    CHighScoreList list;
    EXPECT_TRUE(list.Load(Path("score.sav").c_str()));
    EXPECT_STREQ(list.Row(1).name, "ann");

    ASSERT_TRUE(SaveScores(table, Path("score.sav").c_str()));
    EXPECT_FALSE(Exists("score.sav.old"));
}

TEST_F(ScoreFileSafetyTest, AnOverlongNameIsCutAndTheRestOfItDropped) {
    const std::string huge(1 << 20, 'a');
    WriteFile("score.sav", "5 " + huge + "\n7 bob\n");
    Load();
    EXPECT_EQ(table[0].score, 5);
    EXPECT_EQ(std::string(table[0].name), std::string(31, 'a'));
    EXPECT_EQ(table[1].score, 7);
    EXPECT_STREQ(table[1].name, "bob");

    CHighScoreList list;
    ASSERT_TRUE(list.Load(Path("score.sav").c_str()));
    EXPECT_EQ(std::string(list.Row(1).name), std::string(15, 'a'));
    EXPECT_EQ(list.Row(2).score, 7);

    // The same from the temporary file.
    WriteFile("work.temp", huge);
    InsertScore(table, 6, Path("score.sav").c_str(), Path("work.temp").c_str());
    EXPECT_EQ(std::string(table[1].name), std::string(31, 'a'));
}

TEST_F(ScoreFileSafetyTest, ACutNeverSplitsADoubleByteCharacter) {
    // 30 letters and "位" (0x88 0xca): the character does not fit in 31.
    WriteFile("score.sav",
              "1 " + std::string(30, 'a') + "\x88\xca\n2 " + std::string(14, 'b') + "\x88\xca\n");
    Load();
    EXPECT_EQ(std::string(table[0].name), std::string(30, 'a'));
    CHighScoreList list;
    ASSERT_TRUE(list.Load(Path("score.sav").c_str()));
    EXPECT_EQ(std::string(list.Row(2).name), std::string(14, 'b'));
}

TEST_F(ScoreFileSafetyTest, NumbersBeyondTheRangeSaturate) {
    WriteFile("score.sav",
              "99999999999999999999 a\n-99999999999999999999 b\n-2147483648 c\n+12 d\n-0 e\n");
    Load();
    EXPECT_EQ(table[0].score, INT32_MAX);
    EXPECT_EQ(table[1].score, INT32_MIN);
    EXPECT_EQ(table[2].score, INT32_MIN);
    EXPECT_EQ(table[3].score, 12);
    EXPECT_EQ(table[4].score, 0);
    EXPECT_EQ(QualifyingRank(table, INT32_MIN), 2);
}

TEST_F(ScoreFileSafetyTest, GarbageNeverOverrunsANameAndSavesReadBack) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::string garbage(random() % 300, '\0');
        for (char& c : garbage) {
            // Mostly digits, spaces, letters and lead bytes, to get past the
            // first fields now and then.
            static const char kBytes[] = "0123456789 -\n\r\t\x81\x88\xca\xfc\xff\x00zA";
            c = random() % 3 == 0 ? static_cast<char>(random())
                                  : kBytes[random() % (sizeof kBytes - 1)];
        }
        WriteFile("score.sav", garbage);
        WriteFile("work.temp", garbage);
        SetDefaultScores(table);
        Load();
        CHighScoreList list;
        list.Load(Path("score.sav").c_str());
        for (int i = 0; i < kScoreRows; ++i) {
            ASSERT_LT(std::strlen(table[i].name), sizeof table[i].name);
            ASSERT_GT(std::strlen(table[i].name), 0u);
            ASSERT_LT(std::strlen(list.Row(i + 1).name), sizeof list.Row(i + 1).name);
            list.RowText(i + 1);
        }
        ASSERT_NE(InsertScore(table, static_cast<int32_t>(random()), Path("score.sav").c_str(),
                              Path("work.temp").c_str()),
                  SCORE_SAVE_FAILED);
        // Whatever went in, the file reads back as the same five rows.
        ScoreEntry again[kScoreRows];
        LoadScores(again, Path("score.sav").c_str());
        for (int i = 0; i < kScoreRows; ++i) {
            ASSERT_EQ(again[i].score, table[i].score) << "round " << round;
            ASSERT_STREQ(again[i].name, table[i].name) << "round " << round;
        }
    }
}

}  // namespace
