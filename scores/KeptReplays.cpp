#include "scores/KeptReplays.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

#include "scores/ScoreFileIo.h"
#include "scores/ScoreFolder.h"

namespace {

constexpr const char* kReplayExtension = ".replay";
// A file that is still being written, before it is renamed into place.
constexpr const char* kPendingExtension = ".new";
// The first line of a replay is read no further than this for its time.
constexpr size_t kHeaderBytes = 1024;

bool IsLetterOrDigit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// A whole decimal number written as a writer writes it: no sign but a
// leading minus, no leading zero, within [low, high].
bool ReadNumber(std::string_view text, int64_t low, uint64_t high, bool* negative,
                uint64_t* value) {
    *negative = !text.empty() && text[0] == '-';
    if (*negative) {
        text.remove_prefix(1);
    }
    if (text.empty() || (text[0] == '0' && text.size() > 1) || (*negative && text == "0")) {
        return false;
    }
    uint64_t number = 0;
    for (char c : text) {
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (c < '0' || c > '9' || number > (UINT64_MAX - digit) / 10) {
            return false;
        }
        number = number * 10 + digit;
    }
    *value = number;
    return *negative ? number <= static_cast<uint64_t>(-low) : number <= high;
}

// Digits of a fixed count; -1 when they are not all digits.
int32_t FixedDigits(std::string_view text) {
    int32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

bool ValidTime(const SUtcTime& time) {
    return time.month >= 1 && time.month <= 12 && time.day >= 1 && time.day <= 31 &&
           time.hour >= 0 && time.hour < 24 && time.minute >= 0 && time.minute < 60 &&
           time.second >= 0 && time.second < 60;
}

// "YYYYMMDDTHHMMSSZ".
std::string CompactTimeText(int64_t unixSeconds) {
    const SUtcTime time = UtcTimeOf(unixSeconds);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld%02d%02dT%02d%02d%02dZ",
                  static_cast<long long>(time.year), time.month, time.day, time.hour, time.minute,
                  time.second);
    return text;
}

bool ReadCompactTime(std::string_view text, int64_t* unixSeconds) {
    if (text.size() != 16 || text[8] != 'T' || text[15] != 'Z') {
        return false;
    }
    SUtcTime time;
    time.year = FixedDigits(text.substr(0, 4));
    time.month = FixedDigits(text.substr(4, 2));
    time.day = FixedDigits(text.substr(6, 2));
    time.hour = FixedDigits(text.substr(9, 2));
    time.minute = FixedDigits(text.substr(11, 2));
    time.second = FixedDigits(text.substr(13, 2));
    if (time.year < 0 || !ValidTime(time)) {
        return false;
    }
    *unixSeconds = UnixSecondsOf(time);
    return true;
}

// The `time=` field of a replay's first line ("YYYY-MM-DDTHH:MM:SSZ"); 0
// when there is none.
int64_t RecordingTime(std::string_view header) {
    header = header.substr(0, header.find('\n'));
    const size_t at = header.find(" time=");
    if (at == std::string_view::npos) {
        return 0;
    }
    std::string_view value = header.substr(at + 6);
    value = value.substr(0, value.find_first_of(" \r"));
    if (value.size() != 20 || value[4] != '-' || value[7] != '-' || value[10] != 'T' ||
        value[13] != ':' || value[16] != ':' || value[19] != 'Z') {
        return 0;
    }
    std::string compact;
    compact += value.substr(0, 4);
    compact += value.substr(5, 2);
    compact += value.substr(8, 2);
    compact += 'T';
    compact += value.substr(11, 2);
    compact += value.substr(14, 2);
    compact += value.substr(17, 2);
    compact += 'Z';
    int64_t seconds = 0;
    return ReadCompactTime(compact, &seconds) ? seconds : 0;
}

// The start of a regular file, never through a link.
std::string FileStart(const std::string& path, size_t count) {
    CRegularFile file;
    std::string bytes;
    if (file.Open(path, FILE_LINKS_REFUSED) == FILE_READ_OK) {
        bytes.resize(count);
        bytes.resize(file.Read(bytes.data(), count));
    }
    return bytes;
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + '/' + name;
}

// Takes the score folder's lock when there is something in the folder to
// read; reads go ahead without it when it cannot be had.
void LockForReading(std::optional<CScoreLock>& lock, const std::string& scorePath) {
    if (!scorePath.empty() && (!PathIsFree(scorePath) || !PathIsFree(ReplayFolderFor(scorePath)))) {
        lock.emplace(scorePath + ".lock");
    }
}

// Writes `bytes` to `path` by way of a new file beside it, synced, then
// renamed into place; a regular file already there is replaced.
bool ReplaceFile(const std::string& path, const std::string& bytes) {
    const std::string pending = path + kPendingExtension;
    if (!RemoveRegularFile(pending) || !CreateNewFile(pending, bytes, false)) {
        return false;
    }
    if (!PutFileInPlace(pending, path)) {
        RemoveRegularFile(pending);
        return false;
    }
    return true;
}

}  // namespace

SUtcTime UtcTimeOf(int64_t unixSeconds) {
    // Days since 1970-01-01 to a civil date, in 400-year eras that start on
    // 0000-03-01 (so that a leap day ends its year).
    int64_t days = unixSeconds / 86400;
    int64_t seconds = unixSeconds % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    SUtcTime time;
    time.day = static_cast<int32_t>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    time.month = static_cast<int32_t>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    time.year = yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0);
    time.hour = static_cast<int32_t>(seconds / 3600);
    time.minute = static_cast<int32_t>(seconds / 60 % 60);
    time.second = static_cast<int32_t>(seconds % 60);
    return time;
}

int64_t UnixSecondsOf(const SUtcTime& time) {
    // The same eras backwards: the year counted from March, the day of that
    // year, the day of its era.
    const int64_t year = time.year - (time.month <= 2 ? 1 : 0);
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t shiftedMonth = time.month > 2 ? time.month - 3 : time.month + 9;
    const int64_t dayOfYear = (153 * shiftedMonth + 2) / 5 + time.day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const int64_t days = era * 146097 + dayOfEra - 719468;
    return days * 86400 + time.hour * 3600 + time.minute * 60 + time.second;
}

std::string KeptReplayFileName(const SKeptReplayName& kept) {
    std::string name = std::to_string(kept.score) + '_';
    for (unsigned char c : kept.name) {
        if (IsLetterOrDigit(c)) {
            name += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            name += escaped;
        }
    }
    return name + '_' + CompactTimeText(kept.time) + '_' + std::to_string(kept.serial) +
           kReplayExtension;
}

bool ReadKeptReplayFileName(std::string_view fileName, SKeptReplayName* kept) {
    if (!EndsWith(fileName, kReplayExtension)) {
        return false;
    }
    fileName.remove_suffix(std::strlen(kReplayExtension));
    std::string_view fields[4];
    for (int i = 0; i < 3; ++i) {
        const size_t gap = fileName.find('_');
        if (gap == std::string_view::npos) {
            return false;
        }
        fields[i] = fileName.substr(0, gap);
        fileName.remove_prefix(gap + 1);
    }
    fields[3] = fileName;
    bool negative = false;
    uint64_t score = 0;
    uint64_t serial = 0;
    if (!ReadNumber(fields[0], INT32_MIN, INT32_MAX, &negative, &score) ||
        !ReadNumber(fields[3], 0, UINT64_MAX, &negative, &serial) || negative ||
        !ReadCompactTime(fields[2], &kept->time)) {
        return false;
    }
    std::string name;
    const std::string_view escapedName = fields[1];
    for (size_t i = 0; i < escapedName.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(escapedName[i]);
        if (IsLetterOrDigit(c)) {
            name += static_cast<char>(c);
            continue;
        }
        if (c != '%' || i + 2 >= escapedName.size() || HexValue(escapedName[i + 1]) < 0 ||
            HexValue(escapedName[i + 2]) < 0) {
            return false;
        }
        const int byte = HexValue(escapedName[i + 1]) * 16 + HexValue(escapedName[i + 2]);
        // A row's name is one word: no white space, no NUL, and each
        // byte written the one way a writer writes it.
        if (IsLetterOrDigit(static_cast<unsigned char>(byte)) || byte == 0 || byte == ' ' ||
            (byte >= '\t' && byte <= '\r')) {
            return false;
        }
        name += static_cast<char>(byte);
        i += 2;
    }
    if (name.empty() || name.size() >= sizeof ScoreEntry{}.name) {
        return false;
    }
    kept->score = static_cast<int32_t>(fields[0][0] == '-' ? -static_cast<int64_t>(score)
                                                           : static_cast<int64_t>(score));
    kept->name = std::move(name);
    kept->serial = serial;
    return true;
}

void MatchKeptReplays(const ScoreEntry* table, const std::vector<std::string>& fileNames,
                      std::string* rowFiles) {
    std::vector<SKeptReplayName> parsed(fileNames.size());
    std::vector<bool> usable(fileNames.size());
    for (size_t i = 0; i < fileNames.size(); ++i) {
        usable[i] = ReadKeptReplayFileName(fileNames[i], &parsed[i]);
    }
    for (int32_t row = 0; row < kScoreRows; ++row) {
        rowFiles[row].clear();
        size_t best = fileNames.size();
        for (size_t i = 0; i < fileNames.size(); ++i) {
            if (usable[i] && parsed[i].score == table[row].score &&
                parsed[i].name == table[row].name &&
                (best == fileNames.size() || parsed[i].serial > parsed[best].serial)) {
                best = i;
            }
        }
        if (best != fileNames.size()) {
            usable[best] = false;
            rowFiles[row] = fileNames[best];
        }
    }
}

std::string ReplayFolderFor(const std::string& scorePath) {
    const size_t slash = scorePath.find_last_of("/\\");
    return slash == std::string::npos ? kReplayFolderName
                                      : scorePath.substr(0, slash + 1) + kReplayFolderName;
}

std::string KeepRowReplay(const std::string& folder, int32_t score, const char* name,
                          const std::string& text) {
    std::vector<std::string> names;
    if (!MakePrivateFolder(folder) || !IsPlainFolder(folder) || !ListFolder(folder, names)) {
        return "";
    }
    uint64_t serial = 0;
    for (const std::string& other : names) {
        SKeptReplayName read;
        if (ReadKeptReplayFileName(other, &read) && read.serial > serial) {
            serial = read.serial;
        }
    }
    if (serial == UINT64_MAX) {
        return "";
    }
    SKeptReplayName kept;
    kept.score = score;
    kept.name = name;
    kept.time = std::chrono::duration_cast<std::chrono::seconds>(
                    std::chrono::system_clock::now().time_since_epoch())
                    .count();
    kept.serial = serial + 1;
    const std::string fileName = KeptReplayFileName(kept);
    const std::string path = InFolder(folder, fileName);
    if (!PathIsFree(path) || !ReplaceFile(path, text)) {
        return "";
    }
    return fileName;
}

void RemoveLeftReplays(const std::string& folder, const ScoreEntry* table) {
    std::vector<std::string> names;
    if (!IsPlainFolder(folder) || !ListFolder(folder, names)) {
        return;
    }
    std::string rowFiles[kScoreRows];
    MatchKeptReplays(table, names, rowFiles);
    SKeptReplayName kept;
    for (const std::string& name : names) {
        bool found = false;
        for (const std::string& rowFile : rowFiles) {
            found = found || rowFile == name;
        }
        const bool left = !found && ReadKeptReplayFileName(name, &kept);
        // Every save runs under the lock, so a new file seen here is one
        // that a save which ended before its rename left behind.
        const bool pending = EndsWith(name, kPendingExtension);
        if (left || pending) {
            RemoveRegularFile(InFolder(folder, name));
        }
    }
}

bool LoadKeptReplays(std::vector<SKeptReplay>& kept, const std::string& scorePath) {
    kept.clear();
    if (scorePath.empty()) {
        return true;
    }
    std::optional<CScoreLock> lock;
    LockForReading(lock, scorePath);
    ScoreEntry table[kScoreRows];
    const ScoreFileState state = LoadHeldScores(table, scorePath);
    const std::string folder = ReplayFolderFor(scorePath);
    std::vector<std::string> names;
    const bool listed = ListFolder(folder, names);
    if (state == SCORE_FILE_READ) {
        std::string rowFiles[kScoreRows];
        MatchKeptReplays(table, names, rowFiles);
        for (int32_t row = 0; row < kScoreRows; ++row) {
            SKeptReplayName name;
            if (!rowFiles[row].empty() && ReadKeptReplayFileName(rowFiles[row], &name)) {
                SKeptReplay replay;
                replay.place = row + 1;
                replay.score = name.score;
                replay.name = name.name;
                replay.time = name.time;
                replay.path = InFolder(folder, rowFiles[row]);
                kept.push_back(std::move(replay));
            }
        }
    }
    for (const std::string& name : names) {
        if (name == kLastSessionFileName) {
            SKeptReplay replay;
            replay.path = InFolder(folder, name);
            replay.time = RecordingTime(FileStart(replay.path, kHeaderBytes));
            kept.push_back(std::move(replay));
        }
    }
    return listed && (state == SCORE_FILE_READ || state == SCORE_FILE_NONE);
}

FileReadResult ReadKeptReplay(const std::string& path, std::string& text, size_t maxBytes,
                              const std::string& scorePath) {
    std::optional<CScoreLock> lock;
    LockForReading(lock, scorePath);
    return ReadRegularFile(path, text, maxBytes, FILE_LINKS_REFUSED);
}

bool KeepLastSession(const std::string& text, const std::string& scorePath) {
    if (scorePath.empty()) {
        return false;
    }
    const std::string folder = ReplayFolderFor(scorePath);
    if (!MakePrivateFolder(folder) || !IsPlainFolder(folder)) {
        return false;
    }
    CScoreLock lock(scorePath + ".lock");
    return lock.Held() && ReplaceFile(InFolder(folder, kLastSessionFileName), text);
}
