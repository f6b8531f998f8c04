#pragma once
// Upper and lower case for names held as UTF-8. Letters of the Latin, Greek and Cyrillic
// alphabets are converted; every other character is kept as it is.

#include <string>
#include <string_view>

namespace dovrix {

std::u32string decodeUtf8(std::string_view text);
std::string encodeUtf8(std::u32string_view text);

char32_t upperCaseLetter(char32_t c);
char32_t lowerCaseLetter(char32_t c);

std::string toUpperCase(std::string_view text);
std::string toLowerCase(std::string_view text);

// The number of characters (code points) in UTF-8 text.
std::size_t characterCount(std::string_view text);

} // namespace dovrix
