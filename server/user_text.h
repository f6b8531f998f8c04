#pragma once
// User names and passwords as the server accepts them: UTF-8 text measured the way the game's
// login box measures it.

#include <cstddef>
#include <optional>
#include <string_view>

namespace dovrix::server {

// The login box (a QLineEdit) holds at most 25 characters of UTF-16, so a letter outside the
// Basic Multilingual Plane counts twice. Names and passwords it sends stay within this.
constexpr std::size_t kLongestTypedText = 25;
// School log-on names (the automatic school login, the student list) come from the school's
// directory rather than the login box and may be longer.
constexpr std::size_t kLongestSchoolName = 64;

// The length of UTF-8 text in UTF-16 code units, or nullopt when it is not valid UTF-8:
// a stray or missing continuation byte, an overlong form, a surrogate, a code point above
// U+10FFFF. Only the shortest form is valid, so one text has one spelling.
std::optional<std::size_t> utf16Length(std::string_view text);

// Valid UTF-8 of `least` to `most` UTF-16 code units, without control characters.
bool isAcceptableText(std::string_view text, std::size_t least, std::size_t most);

} // namespace dovrix::server
