#pragma once
// Upper and lower case for names held as UTF-8, the same in the game and the account server.
// Letters of the Latin, Greek and Cyrillic alphabets are converted; every other character is
// kept as it is. Bytes that are not UTF-8 (utf8.h) become U+FFFD.

#include <string>
#include <string_view>

namespace dovrix {

char32_t upperCaseLetter(char32_t c);
char32_t lowerCaseLetter(char32_t c);

std::string toUpperCase(std::string_view text);
std::string toLowerCase(std::string_view text);

} // namespace dovrix
