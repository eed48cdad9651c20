#include "scores/ScoreText.h"

#include <algorithm>

#include "scores/Cp932.h"
#include "scores/ScoreFileIo.h"

namespace {

// Far beyond any file the game writes; a larger one is not read at all.
constexpr size_t kMaxFileBytes = size_t{1} << 24;

bool IsSpace(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}

// Numbers are gathered as a magnitude held at one past the largest 32-bit
// magnitude, then given their sign.
constexpr int64_t kMagnitudeLimit = int64_t{1} << 31;

void AddDigit(int64_t& magnitude, int c) {
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > kMagnitudeLimit) {
        magnitude = kMagnitudeLimit;
    }
}

int32_t Signed(bool negative, int64_t magnitude) {
    if (negative) {
        return static_cast<int32_t>(-magnitude);
    }
    return static_cast<int32_t>(magnitude >= kMagnitudeLimit ? kMagnitudeLimit - 1 : magnitude);
}

// A word that is a whole decimal number with an optional sign.
bool ParseNumber(std::string_view word, int32_t& value) {
    size_t i = 0;
    const bool negative = !word.empty() && word[0] == '-';
    if (!word.empty() && (word[0] == '+' || word[0] == '-')) {
        i = 1;
    }
    if (i == word.size()) {
        return false;
    }
    int64_t magnitude = 0;
    for (; i < word.size(); ++i) {
        if (!IsDigit(word[i])) {
            return false;
        }
        AddDigit(magnitude, word[i]);
    }
    value = Signed(negative, magnitude);
    return true;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsSpace(static_cast<unsigned char>(line[i]))) {
            ++i;
        }
        const size_t start = i;
        while (i < line.size() && !IsSpace(static_cast<unsigned char>(line[i]))) {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

}  // namespace

void CScoreScanner::SkipSpace() {
    while (at < text.size() && IsSpace(static_cast<unsigned char>(text[at]))) {
        ++at;
    }
}

bool CScoreScanner::ReadInt(int32_t& value) {
    SkipSpace();
    size_t i = at;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size() || !IsDigit(text[i])) {
        // As with "%d", a sign without digits is taken and nothing else.
        at = i;
        return false;
    }
    int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        AddDigit(magnitude, text[i]);
    }
    at = i;
    value = Signed(negative, magnitude);
    return true;
}

bool CScoreScanner::ReadWord(char* dest, size_t size) {
    SkipSpace();
    if (at == text.size()) {
        return false;
    }
    const size_t start = at;
    while (at < text.size() && !IsSpace(static_cast<unsigned char>(text[at]))) {
        ++at;
    }
    // Look at one byte more than fits, so the cut can see whether the last
    // kept byte starts a character that does not fit.
    const std::string_view word = text.substr(start, std::min(at - start, size));
    const size_t length = Cp932PrefixLength(word.data(), word.size(), size - 1);
    if (length > 0) {
        word.copy(dest, length);
        dest[length] = '\0';
    }
    return true;
}

bool ReadScoreRows(std::string_view text, size_t count, std::vector<ScoreRow>& rows) {
    rows.clear();
    bool whole = true;
    size_t lineStart = 0;
    for (;;) {
        const size_t newline = text.find('\n', lineStart);
        const size_t lineEnd = newline == std::string_view::npos ? text.size() : newline;
        const std::vector<std::string_view> words =
            Words(text.substr(lineStart, lineEnd - lineStart));
        for (size_t i = 0; i < words.size(); i += 2) {
            ScoreRow row;
            if (rows.size() == count) {
                return false;  // more records than the table holds
            }
            if (i + 1 == words.size() || !ParseNumber(words[i], row.score) ||
                words[i + 1][0] == '\0') {
                whole = false;
                break;
            }
            const std::string_view name = words[i + 1].substr(0, words[i + 1].find('\0'));
            whole = whole && name.size() == words[i + 1].size();
            row.name.assign(name);
            rows.push_back(std::move(row));
        }
        if (newline == std::string_view::npos) {
            return whole;
        }
        lineStart = newline + 1;
    }
}

ScoreFileState ReadScoreFile(const std::string& path, std::string& bytes) {
    FileReadResult result = ReadRegularFile(path, bytes, kMaxFileBytes);
    if (result == FILE_READ_MISSING) {
        result = ReadRegularFile(path + ".old", bytes, kMaxFileBytes);
    }
    switch (result) {
        case FILE_READ_OK:
            return SCORE_FILE_READ;
        case FILE_READ_MISSING:
            return SCORE_FILE_NONE;
        default:
            return SCORE_FILE_UNREADABLE;
    }
}

bool ReadTempFile(const std::string& path, std::string& bytes) {
    return ReadRegularFile(path, bytes, kMaxFileBytes) == FILE_READ_OK;
}
