#include "scores/HighScoreList.h"

#include <cstdio>
#include <cstring>

#include "scores/Cp932.h"
#include "scores/ScoreText.h"

bool CHighScoreList::Load(const std::string& path) {
    ScoreEntry table[kScoreRows];
    if (LoadScores(table, path) != SCORE_FILE_READ) {
        return false;
    }
    for (int32_t i = 0; i < kRows; ++i) {
        HighScoreRow& row = rows[i];
        const size_t length =
            Cp932PrefixLength(table[i].name, sizeof table[i].name, sizeof row.name - 1);
        std::memcpy(row.name, table[i].name, length);
        row.name[length] = '\0';
        row.score = table[i].score;
    }
    return true;
}

std::string CHighScoreList::RowText(int32_t place) const {
    static const std::string placeMark = Utf8ToCp932("位　");
    static const std::string gap = Utf8ToCp932("　");
    constexpr size_t kNameWidth = 12;
    const HighScoreRow& row = Row(place);
    std::string name(row.name);
    char score[16];
    std::snprintf(score, sizeof score, "%4d", static_cast<int>(row.score));
    std::string text = std::to_string(place) + placeMark;
    if (name.size() < kNameWidth) {
        text.append(kNameWidth - name.size(), ' ');
    }
    return text + name + gap + score;
}

CHighScoreList& CHighScoreList::Shared() {
    static CHighScoreList list;
    return list;
}
