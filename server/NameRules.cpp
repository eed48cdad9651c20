#include "server/NameRules.h"

#include "scores/Cp932.h"
#include "scores/NameEntry.h"

bool IsCleanUtf8(const std::string& text) {
    return text.find('\0') == std::string::npos && IsValidUtf8(text);
}

bool IsPlayerName(const std::string& utf8) {
    if (utf8.empty() || utf8.size() > 64 || !IsCleanUtf8(utf8)) {
        return false;
    }
    for (unsigned char byte : utf8) {
        if (byte <= 0x20 || byte == 0x7f) {
            return false;
        }
    }
    const std::string cp932 = Utf8ToCp932(utf8);
    if (cp932.size() > CNameEntry::kMaxNameBytes) {
        return false;
    }
    // A character without a code comes back as "?".
    return Cp932ToUtf8(cp932) == utf8;
}
