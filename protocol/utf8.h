#pragma once
// UTF-8 as the game and the account server read it: only the shortest form of a code point
// of Unicode is a character, so one text has one spelling on both sides.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace dovrix {

// One character at the start of UTF-8 text: its code point and how many bytes it takes.
struct Utf8Character {
    char32_t codePoint = 0;
    std::size_t length = 0;
};

// The character the text starts with, or nullopt when it starts with no valid one: a stray or
// missing continuation byte, an overlong form, a surrogate, a code point above U+10FFFF, a
// byte that never begins a character (C0, C1, F5..FF).
std::optional<Utf8Character> firstCharacter(std::string_view text);

// The code points of the text; each byte that begins no valid character becomes U+FFFD.
std::u32string decodeUtf8(std::string_view text);
std::string encodeUtf8(std::u32string_view text);

// The length of valid UTF-8 text in UTF-16 code units (a character outside the Basic
// Multilingual Plane counts twice), or nullopt when the text is not valid UTF-8.
std::optional<std::size_t> utf16Length(std::string_view text);

// The number of characters (code points), each byte that begins none counted as one.
std::size_t characterCount(std::string_view text);

} // namespace dovrix
