// What the player is told when a score cannot be kept: said by the game, and
// by a platform whose own storage fails it.
#pragma once

// The score file exists but cannot be read: nothing is saved this run.
constexpr const char* kScoresNotKeptText = "スコアを読み込めないため、今回は記録できません";
// A save failed; the old file is as it was.
constexpr const char* kScoreNotSavedText = "スコアの保存に失敗しました";
// There is no folder for the score file, and none can be made: nothing is
// saved this run.
constexpr const char* kScoresNoFolderText = "スコアの保存先を作れないため、今回は記録できません";
// Scores that another window saved during the name entry leave this one no
// place among the best five.
constexpr const char* kScoreOutrankedText =
    "ほかのスコアが先に記録され、トップ５に入れませんでした";
// The row was stored, but the replay of its game could not be kept beside it.
constexpr const char* kReplayNotKeptText = "スコアは記録しましたが、リプレイを保存できませんでした";
