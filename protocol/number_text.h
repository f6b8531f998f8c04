#pragma once
// Numbers in text as the game reads them: the fields of its level strings, the account
// server's replies and par lists, its progress file, and the whole numbers of a request.

#include <cstdint>
#include <optional>
#include <string_view>

namespace dovrix {

// The value of a level-string field: leading blanks skipped, an optional sign, then the
// decimal digits up to the first other character. Text without digits reads as 0.
// nullopt when the value does not fit a 16-bit signed integer.
std::optional<int16_t> fieldValue(std::string_view text);

// The number at the start of a text: leading blanks skipped, an optional sign, digits with
// an optional decimal part; reading stops at the first character that cannot continue the
// number. Text that does not start with a number reads as 0.
double leadingNumber(std::string_view text);

// The text read as leadingNumber reads it, when that number is the whole text and has at
// least one digit ("12", "-3", "4.5", ".5"); nullopt otherwise ("", "+", "12a", "1 ").
std::optional<double> entireNumber(std::string_view text);

// A whole number as the game writes one into a request or a setting: an optional minus and
// one to nine digits, nothing else ("57", "-3", "007"; not "+5", " 5", "5.0", "1e3").
std::optional<int32_t> wholeNumber(std::string_view text);

// Rounds to the nearest integer, halves to the even neighbour. nullopt outside 16 bits.
std::optional<int16_t> roundToInt16(double value);

// The text with blanks removed at both ends.
std::string_view trimBlanks(std::string_view text);

} // namespace dovrix
