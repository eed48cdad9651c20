#include "server/NameRules.h"

#include "scores/Cp932.h"
#include "scores/NameEntry.h"

bool IsCleanUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead == 0) {
            return false;
        }
        size_t length;
        uint32_t code;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xc2 && lead <= 0xdf) {
            length = 2;
            code = lead & 0x1f;
        } else if (lead >= 0xe0 && lead <= 0xef) {
            length = 3;
            code = lead & 0x0f;
        } else if (lead >= 0xf0 && lead <= 0xf4) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xc0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3f);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10ffff)) ||
            (code >= 0xd800 && code <= 0xdfff)) {
            return false;
        }
        i += length;
    }
    return true;
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
