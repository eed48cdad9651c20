// Names in CP932: conversion, the 14-byte limit of the name entry, and the
// rows of the high-score list.
#include <string>

#include "ScoreTestFiles.h"
#include "scores/Cp932.h"
#include "scores/HighScoreList.h"
#include "scores/NameEntry.h"
#include "scores/ScoreTable.h"

namespace {

TEST(Cp932Test, JapaneseNamesRoundTrip) {
    const std::string name = "ミルト姫ｶﾅa1";
    const std::string bytes = Utf8ToCp932(name);
    EXPECT_EQ(bytes,
              "\x83\x7e\x83\x8b\x83\x67\x95\x50\xb6\xc5"
              "a1");
    EXPECT_EQ(Cp932ToUtf8(bytes), name);
    EXPECT_EQ(Utf8ToCp932("位　"), "\x88\xca\x81\x40");
}

TEST(Cp932Test, WhatCannotBeRepresentedBecomesAQuestionMark) {
    EXPECT_EQ(Utf8ToCp932("a한b😀c"), "a?b?c");
    // Each byte of a broken UTF-8 sequence, an overlong slash or a lone
    // surrogate becomes one "?".
    EXPECT_EQ(Utf8ToCp932("\xe3\x81x"
                          "\xc0\xaf"
                          "\xed\xa0\x80"),
              "??x?????");
    // A lead byte at the end, an unused pair, an unused single byte.
    EXPECT_EQ(Cp932ToUtf8("a\x88"), "a?");
    EXPECT_EQ(Cp932ToUtf8("\x85\x40"
                          "\xa0"),
              "??");
    // Symbols with two codes take the usual one.
    EXPECT_EQ(Utf8ToCp932("¥"), "\\");
    EXPECT_EQ(Utf8ToCp932("∵"), "\x81\xe6");
}

TEST(NameEntryTest, ANameIsCutAtFourteenBytesOnACharacterBoundary) {
    CNameEntry entry;
    entry.SetName(std::string(20, 'x'));
    EXPECT_EQ(entry.Name(), std::string(14, 'x'));
    // 13 letters and a double-byte character: the character does not fit.
    entry.SetName(std::string(13, 'x') + Utf8ToCp932("姫"));
    EXPECT_EQ(entry.Name(), std::string(13, 'x'));
    entry.SetName(Utf8ToCp932("ミルトとナナ姫の王国"));
    EXPECT_EQ(Cp932ToUtf8(entry.Name()), "ミルトとナナ姫");
    entry.SetName(std::string("ab\0cd", 5));
    EXPECT_EQ(entry.Name(), "ab");
}

// A pasted escape sequence or a typed backspace never reaches the file as
// such; spaces, tabs and line ends part words as before, and the empty name
// stays empty.
TEST(NameEntryTest, ControlCharactersBecomeQuestionMarks) {
    CNameEntry entry;
    entry.SetName(Utf8ToCp932("姫") + "\x1b[2Jab\x08\x7f");
    EXPECT_EQ(entry.Name(), Utf8ToCp932("姫") + "?[2Jab??");
    entry.SetName(" a\tb\r\n");
    EXPECT_EQ(entry.Name(), " a\tb\r\n");
    entry.SetName("");
    EXPECT_EQ(entry.Name(), "");
}

class NameEntryFileTest : public ScoreFilesTest {};

TEST_F(NameEntryFileTest, ThePlaceComesInAndTheConfirmedNameGoesOut) {
    CNameEntry entry;
    EXPECT_FALSE(entry.Open(Path("work.temp").c_str()));
    WriteFile("work.temp", "garbage");
    EXPECT_FALSE(entry.Open(Path("work.temp").c_str()));

    ASSERT_TRUE(WritePlace(3, Path("work.temp").c_str()));
    ASSERT_TRUE(entry.Open(Path("work.temp").c_str()));
    EXPECT_EQ(entry.Place(), 3);
    EXPECT_EQ(entry.PlaceText(), "3位です！");
    EXPECT_EQ(entry.Name(), "kiri");

    entry.SetName(Utf8ToCp932("ナナ姫 two"));
    ASSERT_TRUE(entry.Confirm(Path("work.temp").c_str()));
    EXPECT_EQ(ReadFile("work.temp"), Utf8ToCp932("ナナ姫 two"));

    ScoreEntry table[kScoreRows];
    InsertScore(table, 10, Path("score.sav").c_str(), Path("work.temp").c_str());
    EXPECT_EQ(Cp932ToUtf8(table[0].name), "ナナ姫");
    EXPECT_FALSE(entry.Confirm(Path("missing/work.temp").c_str()));
}

class HighScoreListTest : public ScoreFilesTest {};

TEST_F(HighScoreListTest, RowsLineUpInCp932Bytes) {
    CHighScoreList list;
    EXPECT_FALSE(list.Load(Path("score.sav").c_str()));
    WriteFile("score.sav",
              "120 kiri\n" + Utf8ToCp932("99999 ナナ姫\n") + "-5 abcdefghijklmnop\n0 x\n");
    ASSERT_TRUE(list.Load(Path("score.sav").c_str()));
    EXPECT_EQ(Cp932ToUtf8(list.RowText(1)), "1位　        kiri　 120");
    EXPECT_EQ(Cp932ToUtf8(list.RowText(2)), "2位　      ナナ姫　99999");
    EXPECT_EQ(Cp932ToUtf8(list.RowText(3)), "3位　abcdefghijklmno　  -5");
    EXPECT_EQ(Cp932ToUtf8(list.RowText(4)), "4位　           x　   0");
    // The fifth row is missing: the list shows the default, as the game
    // ranks against it.
    EXPECT_EQ(Cp932ToUtf8(list.RowText(5)), "5位　        kiri　   0");
}

}  // namespace
