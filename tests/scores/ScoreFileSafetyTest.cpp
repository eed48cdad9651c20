// The score file survives interrupted saves, and no file, however hostile,
// can overrun a name.
#include <climits>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "ScoreTestFiles.h"
#include "scores/HighScoreList.h"
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
    ASSERT_TRUE(WriteScoreRows(table, Path("score.sav.new").c_str()));
    std::filesystem::resize_file(dir / "score.sav.new", 5);
    EXPECT_EQ(ReadFile("score.sav"), kRanked);

    // The next save goes through over the remains.
    ASSERT_TRUE(SaveScores(table, Path("score.sav").c_str()));
    EXPECT_EQ(ReadFile("score.sav"), "900 new\n400 bob\n300 cat\n200 dan\n100 eve\n");
    EXPECT_FALSE(Exists("score.sav.new"));
}

TEST_F(ScoreFileSafetyTest, ASaveThatCannotWriteKeepsTheOldFile) {
    WriteFile("score.sav", kRanked);
    Load();
    table[0] = {900, "new"};
    std::filesystem::create_directory(dir / "score.sav.new");
    EXPECT_FALSE(SaveScores(table, Path("score.sav").c_str()));
    EXPECT_EQ(ReadFile("score.sav"), kRanked);
    EXPECT_FALSE(SaveScores(table, Path("no/such/dir/score.sav").c_str()));
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
        InsertScore(table, static_cast<int32_t>(random()), Path("score.sav").c_str(),
                    Path("work.temp").c_str());
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
