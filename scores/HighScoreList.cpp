#include "scores/HighScoreList.h"

#include <cstdio>

#include "scores/Cp932.h"
#include "scores/ScoreText.h"

bool CHighScoreList::Load(const char* path) {
    std::FILE* file = OpenScoreFile(path);
    if (file == nullptr) {
        return false;
    }
    CScoreScanner scanner(file);
    for (HighScoreRow& row : rows) {
        if (!scanner.ReadRecord(row.score, row.name, sizeof row.name)) {
            break;
        }
    }
    std::fclose(file);
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
