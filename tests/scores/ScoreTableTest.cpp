// Ranking, inserting and reading back the top five.
#include <string>

#include "ScoreTestFiles.h"
#include "scores/ScoreTable.h"

namespace {

class ScoreTableTest : public ScoreFilesTest {
protected:
    // Stores five rows as the game would write them.
    void Store(const std::string& rows) { WriteFile("score.sav", rows); }
    void Load() { LoadScores(table, Path("score.sav").c_str()); }
    void Insert(int32_t score, const std::string& typed) {
        WriteFile("work.temp", typed);
        InsertScore(table, score, Path("score.sav").c_str(), Path("work.temp").c_str());
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
    InsertScore(table, 450, Path("score.sav").c_str(), Path("work.temp").c_str());
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

TEST_F(ScoreTableTest, RowsAfterTheFirstUnreadableOneKeepWhatTheyHeld) {
    Store(kRanked);
    Load();
    Store("9 x\n8 y\n7 z\n");
    Load();
    ExpectRow(table[2], 7, "z");
    ExpectRow(table[3], 200, "dan");
    ExpectRow(table[4], 100, "eve");

    Store("9 x\n8 y\n7 z\nw 6 v 5\n4 u\n");
    Load();
    ExpectRow(table[3], 200, "dan");
    ExpectRow(table[4], 100, "eve");

    // A number without its name still counts.
    Store("1 a 2 b 3 c 4");
    Load();
    ExpectRow(table[3], 4, "dan");
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
