#pragma once
// User names and passwords as the game sends them and the account server accepts them: UTF-8
// text measured the way the game's login box measures it, one account whatever a name's case.

#include <cstddef>
#include <string>
#include <string_view>

namespace dovrix {

// The login box (a QLineEdit) holds at most 25 characters of UTF-16, so a letter outside the
// Basic Multilingual Plane counts twice. Names and passwords it sends stay within this.
inline constexpr std::size_t kLongestTypedText = 25;
// School log-on names (the automatic school login, the student list) come from the school's
// directory rather than the login box and may be longer.
inline constexpr std::size_t kLongestSchoolName = 64;

// Valid UTF-8 (utf8.h) of `least` to `most` UTF-16 code units, without control characters.
bool isAcceptableText(std::string_view text, std::size_t least, std::size_t most);

// The one spelling of a user name under which its account is kept and found: "Mary", "MARY"
// and "mary" are one account.
std::string userKey(std::string_view user);

// A period marks a school log-on name ("pat.kim"): the game shapes it into a display name
// ("Pat Kim"), and no online account may take one.
bool isSchoolLogOnName(std::string_view user);

} // namespace dovrix
