#include "scores/Cp932.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

#include "scores/Cp932Table.inc"

constexpr uint16_t kNoSingle = 0xFFFF;

int LeadIndex(unsigned char lead) {
    return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
}

bool IsTrailByte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

// Unicode value -> code, sorted by value: the lowest code that decodes to a
// value, corrected by the converter's own choices in kCp932Extra.
const std::vector<std::pair<uint16_t, uint16_t>>& EncodeTable() {
    static const std::vector<std::pair<uint16_t, uint16_t>> table = [] {
        std::vector<std::pair<uint16_t, uint16_t>> pairs;
        for (int b = 0; b < 256; ++b) {
            if (kCp932Single[b] != kNoSingle) {
                pairs.emplace_back(kCp932Single[b], static_cast<uint16_t>(b));
            }
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsCp932LeadByte(static_cast<unsigned char>(lead))) {
                continue;
            }
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                uint16_t u =
                    kCp932Double[LeadIndex(static_cast<unsigned char>(lead))][trail - 0x40];
                if (u != 0) {
                    pairs.emplace_back(u, static_cast<uint16_t>((lead << 8) | trail));
                }
            }
        }
        // Keep the lowest code per value: sort by (value, code), drop the rest.
        std::sort(pairs.begin(), pairs.end());
        pairs.erase(std::unique(pairs.begin(), pairs.end(),
                                [](const auto& a, const auto& b) { return a.first == b.first; }),
                    pairs.end());
        for (const auto& extra : kCp932Extra) {
            auto it =
                std::lower_bound(pairs.begin(), pairs.end(), std::make_pair(extra[0], uint16_t{0}));
            if (it != pairs.end() && it->first == extra[0]) {
                it->second = extra[1];
            } else {
                pairs.insert(it, {extra[0], extra[1]});
            }
        }
        // A code of 0 marks a value the converter refuses.
        std::erase_if(pairs, [](const auto& p) { return p.first != 0 && p.second == 0; });
        return pairs;
    }();
    return table;
}

void AppendUtf8(std::string& out, uint32_t u) {
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

// Decodes one UTF-8 character at `pos`; returns false for a broken sequence
// (then `length` is 1 so the caller skips one byte).
bool NextUtf8(const std::string& s, size_t pos, uint32_t& u, size_t& length) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char first = byte(pos);
    length = 1;
    if (first < 0x80) {
        u = first;
        return true;
    }
    size_t count;
    uint32_t min;
    if (first >= 0xC2 && first <= 0xDF) {
        count = 2, u = first & 0x1F, min = 0x80;
    } else if (first >= 0xE0 && first <= 0xEF) {
        count = 3, u = first & 0x0F, min = 0x800;
    } else if (first >= 0xF0 && first <= 0xF4) {
        count = 4, u = first & 0x07, min = 0x10000;
    } else {
        return false;
    }
    if (pos + count > s.size()) {
        return false;
    }
    for (size_t i = 1; i < count; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            return false;
        }
        u = (u << 6) | (byte(pos + i) & 0x3F);
    }
    if (u < min || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) {
        return false;
    }
    length = count;
    return true;
}

}  // namespace

bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

size_t Cp932PrefixLength(const char* text, size_t length, size_t maxBytes) {
    size_t pos = 0;
    while (pos < length && text[pos] != '\0') {
        size_t step = IsCp932LeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < length &&
                              text[pos + 1] != '\0'
                          ? 2
                          : 1;
        if (pos + step > maxBytes) {
            break;
        }
        pos += step;
    }
    return pos;
}

std::string Utf8ToCp932(const std::string& utf8) {
    const auto& table = EncodeTable();
    std::string out;
    size_t pos = 0;
    while (pos < utf8.size()) {
        uint32_t u = 0;
        size_t length = 1;
        bool ok = NextUtf8(utf8, pos, u, length);
        pos += length;
        if (!ok || u > 0xFFFF) {
            out += '?';
            continue;
        }
        auto it = std::lower_bound(table.begin(), table.end(),
                                   std::make_pair(static_cast<uint16_t>(u), uint16_t{0}));
        if (it == table.end() || it->first != u) {
            out += '?';
        } else if (it->second > 0xFF) {
            out += static_cast<char>(it->second >> 8);
            out += static_cast<char>(it->second & 0xFF);
        } else {
            out += static_cast<char>(it->second);
        }
    }
    return out;
}

bool IsValidUtf8(const std::string& text) {
    size_t pos = 0;
    while (pos < text.size()) {
        uint32_t u = 0;
        size_t length = 1;
        if (!NextUtf8(text, pos, u, length)) {
            return false;
        }
        pos += length;
    }
    return true;
}

std::string Cp932ToUtf8(const std::string& cp932) {
    std::string out;
    size_t pos = 0;
    while (pos < cp932.size()) {
        unsigned char b = static_cast<unsigned char>(cp932[pos]);
        if (!IsCp932LeadByte(b)) {
            uint16_t u = kCp932Single[b];
            if (u == kNoSingle) {
                out += '?';
            } else {
                AppendUtf8(out, u);
            }
            ++pos;
            continue;
        }
        if (pos + 1 >= cp932.size() || !IsTrailByte(static_cast<unsigned char>(cp932[pos + 1]))) {
            out += '?';
            ++pos;
            continue;
        }
        uint16_t u = kCp932Double[LeadIndex(b)][static_cast<unsigned char>(cp932[pos + 1]) - 0x40];
        if (u == 0) {
            out += '?';
        } else {
            AppendUtf8(out, u);
        }
        pos += 2;
    }
    return out;
}
