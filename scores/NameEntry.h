// What the name-entry dialog does, apart from drawing it: it reads the
// earned place from the game's temporary file, keeps the typed name within
// 14 bytes, and writes it back when the player confirms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "scores/ScoreTable.h"

class CNameEntry {
public:
    // Room for the name in bytes of CP932 text.
    static constexpr size_t kMaxNameBytes = 14;

    // Reads the place; false when the file cannot be read or holds no
    // number. The name starts as "kiri".
    bool Open(const std::string& tempPath = TempFilePath());
    int32_t Place() const { return place; }
    // "N位です！" in UTF-8.
    std::string PlaceText() const;
    // Keeps the first 14 bytes of `cp932` (up to a NUL), never splitting a
    // double-byte character. A control character that would not part words
    // as a space does (an escape, a backspace, ...) becomes "?", as any
    // character that a name cannot hold does.
    void SetName(const std::string& cp932);
    // CP932 bytes.
    const std::string& Name() const { return name; }
    // Replaces the place in the temporary file with the name. False when it
    // could not be written completely; the file then no longer holds the
    // place either, so the place is never taken for a name.
    bool Confirm(const std::string& tempPath = TempFilePath());

private:
    int32_t place = 0;
    std::string name;
};
