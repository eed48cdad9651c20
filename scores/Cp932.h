// Player names are kept as code page 932 (Shift-JIS) bytes, the encoding of
// the score file. These convert them to and from UTF-8 for the dialogs.
#pragma once

#include <cstddef>
#include <string>

// UTF-8 to code page 932; a character that has no code (or a broken UTF-8
// sequence) becomes "?".
std::string Utf8ToCp932(const std::string& utf8);

// Code page 932 to UTF-8; an unused code or a lead byte without its trail
// byte becomes "?".
std::string Cp932ToUtf8(const std::string& cp932);

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or
// code points past U+10FFFF).
bool IsValidUtf8(const std::string& text);

// True for the first byte of a double-byte character (0x81-0x9f, 0xe0-0xfc).
bool IsCp932LeadByte(unsigned char byte);

// The longest prefix of `text` (up to its first NUL) that fits in `maxBytes`
// without splitting a double-byte character.
size_t Cp932PrefixLength(const char* text, size_t length, size_t maxBytes);
