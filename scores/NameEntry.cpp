#include "scores/NameEntry.h"

#include <cstdio>

#include "scores/Cp932.h"
#include "scores/ScoreTable.h"
#include "scores/ScoreText.h"

bool CNameEntry::Open(const char* tempPath) {
    std::FILE* temp = std::fopen(tempPath, "r");
    if (temp == nullptr) {
        return false;
    }
    int32_t value = 0;
    bool ok = CScoreScanner(temp).ReadInt(value);
    std::fclose(temp);
    if (!ok) {
        return false;
    }
    place = value;
    name = kDefaultScoreName;
    return true;
}

std::string CNameEntry::PlaceText() const {
    return std::to_string(place) + "位です！";
}

void CNameEntry::SetName(const std::string& cp932) {
    name.assign(cp932, 0, Cp932PrefixLength(cp932.data(), cp932.size(), kMaxNameBytes));
}

bool CNameEntry::Confirm(const char* tempPath) {
    std::FILE* temp = std::fopen(tempPath, "w");
    if (temp == nullptr) {
        return false;
    }
    bool ok = std::fwrite(name.data(), 1, name.size(), temp) == name.size();
    ok = std::fclose(temp) == 0 && ok;
    return ok;
}
