#include "scores/NameEntry.h"

#include "scores/Cp932.h"
#include "scores/ScoreTable.h"
#include "scores/ScoreText.h"

bool CNameEntry::Open(const std::string& tempPath) {
    std::string bytes;
    int32_t value = 0;
    if (!ReadTempFile(tempPath, bytes) || !CScoreScanner(bytes).ReadInt(value)) {
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
    // No CP932 trail byte lies in these ranges, so each byte found is a
    // character of its own.
    for (char& c : name) {
        const bool white = c == ' ' || (c >= '\t' && c <= '\r');
        if ((static_cast<unsigned char>(c) < 0x20 && !white) || c == 0x7f) {
            c = '?';
        }
    }
}

bool CNameEntry::Confirm(const std::string& tempPath) {
    return WriteTempFile(tempPath, name);
}
