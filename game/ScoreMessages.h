// What the player is told when a score cannot be kept: said by the game, and
// by a platform whose own storage fails it.
#pragma once

// The score file exists but cannot be read: nothing is saved this run.
constexpr const char* kScoresNotKeptText = "スコアを読み込めないため、今回は記録できません";
// A save failed; the old file is as it was.
constexpr const char* kScoreNotSavedText = "スコアの保存に失敗しました";
