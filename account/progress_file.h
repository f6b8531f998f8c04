#pragma once
// The progress file: one line holding the highest level a player has reached.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dovrix {

// The file's content for a level: a blank, the digits, a blank, CR LF (" 12 \r\n").
std::string formatProgressFile(int16_t level);

// The first number of the file: leading blanks are skipped and the first item runs to the
// next blank, comma or line end. nullopt when that item is not a number as a whole (an empty
// file, a word, "12abc") or lies beyond 16 bits. A decimal part is rounded, halves to even.
std::optional<int16_t> readProgressFile(std::string_view content);

} // namespace dovrix
