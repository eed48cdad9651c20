// Ranking, inserting and reading back the top five.
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "ScoreTestFiles.h"
#include "scores/ScoreTable.h"

namespace {

class ScoreTableTest : public ScoreFilesTest {
protected:
    // Stores five rows as the game would write them.
    void Store(const std::string& rows) { WriteFile("score.sav", rows); }
    void Load() { LoadScores(table, Path("score.sav").c_str()); }
    bool Insert(int32_t score, const std::string& typed) {
        WriteFile("work.temp", typed);
        return InsertScore(table, score, Path("score.sav").c_str(), Path("work.temp").c_str()) ==
               SCORE_SAVE_STORED;
    }

    ScoreEntry table[kScoreRows];
};

constexpr const char* kRanked = "500 ann\n400 bob\n300 cat\n200 dan\n100 eve\n";

void ExpectRow(const ScoreEntry& row, int32_t score, const char* name) {
    EXPECT_EQ(row.score, score);
    EXPECT_STREQ(row.name, name);
}

TEST_F(ScoreTableTest, WithoutAFileEveryRowIsTheDefaultAndAnyScoreIsFirst) {
    table[2] = {77, "old"};
    Load();
    for (const ScoreEntry& row : table) {
        ExpectRow(row, 0, "kiri");
    }
    EXPECT_EQ(QualifyingRank(table, 0), 1);
    EXPECT_EQ(QualifyingRank(table, 120), 1);
    EXPECT_EQ(QualifyingRank(table, -1), 0);
    EXPECT_FALSE(Exists("score.sav"));

    Insert(120, "kiri");
    EXPECT_EQ(ReadFile("score.sav"), "120 kiri\n0 kiri\n0 kiri\n0 kiri\n0 kiri\n");
}

TEST_F(ScoreTableTest, EqualScoresRankAboveAndTheRowsBelowMoveDown) {
    Store(kRanked);
    Load();
    EXPECT_EQ(QualifyingRank(table, 300), 3);
    EXPECT_EQ(QualifyingRank(table, 301), 3);
    EXPECT_EQ(QualifyingRank(table, 100), 5);
    EXPECT_EQ(QualifyingRank(table, 99), 0);
    EXPECT_EQ(QualifyingRank(table, 1000), 1);

    Insert(300, "zed");
    EXPECT_EQ(ReadFile("score.sav"), "500 ann\n400 bob\n300 zed\n300 cat\n200 dan\n");
}

TEST_F(ScoreTableTest, FifthPlaceReplacesTheLastRowAndALowerScoreChangesNothing) {
    Store(kRanked);
    Load();
    Insert(100, "zed");
    EXPECT_EQ(ReadFile("score.sav"), "500 ann\n400 bob\n300 cat\n200 dan\n100 zed\n");
    Insert(99, "nobody");
    EXPECT_EQ(ReadFile("score.sav"), "500 ann\n400 bob\n300 cat\n200 dan\n100 zed\n");
}

TEST_F(ScoreTableTest, OnlyTheFirstTypedWordIsStored) {
    Store(kRanked);
    Load();
    Insert(450, "ab cd");
    ExpectRow(table[1], 450, "ab");
    ExpectRow(table[2], 400, "bob");
}

TEST_F(ScoreTableTest, ANameWithoutAWordKeepsTheNameAlreadyAtThatPlace) {
    Store(kRanked);
    Load();
    Insert(450, "   ");
    ExpectRow(table[1], 450, "bob");
    ExpectRow(table[2], 400, "bob");

    Store(kRanked);
    Load();
    Insert(150, "");
    // The fifth row takes the name of the row that dropped out.
    ExpectRow(table[4], 150, "eve");
}

TEST_F(ScoreTableTest, WithoutTheTemporaryFileNothingIsStored) {
    Store(kRanked);
    Load();
    EXPECT_EQ(InsertScore(table, 450, Path("score.sav").c_str(), Path("work.temp").c_str()),
              SCORE_SAVE_FAILED);
    EXPECT_EQ(ReadFile("score.sav"), kRanked);
}

TEST_F(ScoreTableTest, LineEndsAndSpacingDoNotMatter) {
    const char* layouts[] = {
        "500 ann\r\n400 bob\r\n300 cat\r\n200 dan\r\n100 eve\r\n",
        "500 ann 400 bob 300 cat 200 dan 100 eve",
        "\n\n  500\tann\n\n400   bob\n300 cat\n200 dan\n100 eve",
    };
    for (const char* layout : layouts) {
        SetDefaultScores(table);
        Store(layout);
        Load();
        ExpectRow(table[0], 500, "ann");
        ExpectRow(table[1], 400, "bob");
        ExpectRow(table[4], 100, "eve");
    }
}

// A malformed record is skipped with the rest of its line and every
// well-formed one is kept; missing rows take the default. Before such a file
// is first rewritten its bytes are kept in "score.sav.bad", once.
TEST_F(ScoreTableTest, AMalformedRowIsSkippedAndTheOriginalKeptOnce) {
    const std::string damaged = "500 ann\nxx B\n400 bob\n300 cat 7\n200 dan\n";
    Store(damaged);
    Load();
    ExpectRow(table[1], 400, "bob");
    ExpectRow(table[2], 300, "cat");
    ExpectRow(table[3], 200, "dan");
    ExpectRow(table[4], 0, "kiri");
    EXPECT_TRUE(Insert(450, "zed"));
    EXPECT_EQ(ReadFile("score.sav"), "500 ann\n450 zed\n400 bob\n300 cat\n200 dan\n");
    EXPECT_EQ(ReadFile("score.sav.bad"), damaged);

    Store("9 x 8 y\n7\n6 z w 5\n-0 v\n12abc u\n4 t\n");
    Load();
    ExpectRow(table[1], 8, "y");
    ExpectRow(table[2], 6, "z");
    ExpectRow(table[3], 0, "v");
    ExpectRow(table[4], 4, "t");
    EXPECT_TRUE(Insert(1, "w"));
    EXPECT_EQ(ReadFile("score.sav.bad"), damaged);

    // A file that reads back whole, short or not, needs no copy.
    std::filesystem::remove(dir / "score.sav.bad");
    Store("42 ann\n");
    Load();
    EXPECT_TRUE(Insert(43, "bob"));
    EXPECT_FALSE(Exists("score.sav.bad"));
}

// An installed game keeps its files in a folder of its own, made private to
// the player when it is first written to.
TEST_F(ScoreTableTest, TheScoreFolderIsMadePrivatelyWhenFirstWritten) {
    const std::string folder = Path("data/miruto-nana");
    SetScoreFolder(folder);
    EXPECT_EQ(ScoreFilePath(kScoreFileName), folder + "/score.sav");
    EXPECT_EQ(LoadScores(table), SCORE_FILE_NONE);
    EXPECT_FALSE(Exists("data"));
    EXPECT_TRUE(WritePlace(1));
    struct stat info = {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(WriteTempFile(TempFilePath(), "nana"));
    EXPECT_EQ(InsertScore(table, 5), SCORE_SAVE_STORED);
    EXPECT_EQ(ReadFile("data/miruto-nana/score.sav"), "5 nana\n0 kiri\n0 kiri\n0 kiri\n0 kiri\n");
    SetScoreFolder("");
    EXPECT_EQ(ScoreFilePath(kScoreFileName), "score.sav");

    // No folder at all: nothing is read or written anywhere.
    SetNoScoreFolder();
    EXPECT_EQ(LoadScores(table), SCORE_FILE_NO_FOLDER);
    EXPECT_FALSE(WritePlace(1));
    SetScoreFolder("");
}

TEST_F(ScoreTableTest, AShortFileAtTheFirstGameOverLeavesTheDefaultsBelow) {
    Store("42 ann\n");
    ScoreEntry fresh[kScoreRows];
    LoadScores(fresh, Path("score.sav").c_str());
    ExpectRow(fresh[0], 42, "ann");
    for (int i = 1; i < kScoreRows; ++i) {
        ExpectRow(fresh[i], 0, "kiri");
    }
}

TEST_F(ScoreTableTest, ThePlaceTravelsThroughTheTemporaryFile) {
    ASSERT_TRUE(WritePlace(3, Path("work.temp").c_str()));
    EXPECT_EQ(ReadFile("work.temp"), "3");
    DeleteTemp(Path("work.temp").c_str());
    EXPECT_FALSE(Exists("work.temp"));
    EXPECT_FALSE(WritePlace(3, Path("missing/work.temp").c_str()));
}

}  // namespace
