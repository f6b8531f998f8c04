#pragma once
// The names the school's records use besides the players' own: classes and teachers. Like
// user names they are one name whatever their case, kept as first written.

#include <string>
#include <string_view>

namespace dovrix::server {

// A class name: 1 to 32 characters of valid UTF-8 without control characters, commas (which
// separate classes on the command line) or blanks at either end.
inline constexpr std::size_t kLongestClassName = 32;
bool isAcceptableClassName(std::string_view name);

// A teacher's sign-in name: like a school log-on name, 1 to 64 characters of valid UTF-8
// without control characters or blanks at either end.
bool isAcceptableTeacherName(std::string_view name);

// A teacher's password: 10 to 128 characters of valid UTF-8 without control characters.
inline constexpr std::size_t kShortestTeacherPassword = 10;
inline constexpr std::size_t kLongestTeacherPassword = 128;
bool isAcceptableTeacherPassword(std::string_view password);

// The key under which a name is stored and compared: the name in lower case.
std::string nameKeyOf(std::string_view name);
inline std::string classKeyOf(std::string_view name) {
    return nameKeyOf(name);
}

} // namespace dovrix::server
