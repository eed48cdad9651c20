#include "scores/ScoreText.h"

#include <string>

#include "scores/Cp932.h"

namespace {

bool IsSpace(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

void CScoreScanner::SkipSpace() {
    int c;
    while ((c = std::getc(file)) != EOF && IsSpace(c)) {
    }
    if (c != EOF) {
        std::ungetc(c, file);
    }
}

bool CScoreScanner::ReadInt(int32_t& value) {
    SkipSpace();
    int c = std::getc(file);
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = std::getc(file);
    }
    if (c == EOF || c < '0' || c > '9') {
        if (c != EOF) {
            std::ungetc(c, file);
        }
        return false;
    }
    // Magnitude, held at one past the largest 32-bit magnitude.
    constexpr int64_t kLimit = int64_t{1} << 31;
    int64_t magnitude = 0;
    for (; c != EOF && c >= '0' && c <= '9'; c = std::getc(file)) {
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > kLimit) {
            magnitude = kLimit;
        }
    }
    if (c != EOF) {
        std::ungetc(c, file);
    }
    if (negative) {
        value = static_cast<int32_t>(-magnitude);
    } else {
        value = static_cast<int32_t>(magnitude >= kLimit ? kLimit - 1 : magnitude);
    }
    return true;
}

bool CScoreScanner::ReadWord(char* dest, size_t size) {
    SkipSpace();
    int c = std::getc(file);
    if (c == EOF) {
        return false;
    }
    // Keep one byte more than fits, so the cut can see whether the last kept
    // byte starts a character that does not fit.
    std::string kept;
    bool ended = false;
    for (; c != EOF && !IsSpace(c); c = std::getc(file)) {
        if (c == '\0') {
            ended = true;
        }
        if (!ended && kept.size() < size) {
            kept += static_cast<char>(c);
        }
    }
    if (c != EOF) {
        std::ungetc(c, file);
    }
    size_t length = Cp932PrefixLength(kept.data(), kept.size(), size - 1);
    if (length > 0) {
        kept.copy(dest, length);
        dest[length] = '\0';
    }
    return true;
}

bool CScoreScanner::ReadRecord(int32_t& score, char* name, size_t nameSize) {
    if (!ReadInt(score) || !ReadWord(name, nameSize)) {
        return false;
    }
    SkipSpace();
    return true;
}

std::FILE* OpenScoreFile(const char* path) {
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        file = std::fopen((std::string(path) + ".old").c_str(), "r");
    }
    return file;
}
