#pragma once
// The URLs of the account server's requests. The user name and the password are
// percent-encoded, so '&', '#', '%', '+' and blanks reach the server as typed.

#include <cstdint>
#include <string>
#include <string_view>

namespace dovrix {

// Every byte outside the unreserved characters (letters, digits, '-', '.', '_', '~') becomes
// %XX; UTF-8 text is encoded byte by byte.
std::string percentEncode(std::string_view text);

// base + accountPath + "?o=" + operation + "&u=" + user + "&p=" + password
std::string accountRequestUrl(std::string_view base, std::string_view accountPath,
                              std::string_view operation, std::string_view user,
                              std::string_view password);

// The account request with "&l=" + level appended.
std::string updateRequestUrl(std::string_view base, std::string_view accountPath,
                             std::string_view user, std::string_view password, int16_t level);

// base + parListPath
std::string parListUrl(std::string_view base, std::string_view parListPath);

// base + parListPath + "?Level=" + level + "&Moves=" + moves + "&Par=" + oldPar
std::string parUploadUrl(std::string_view base, std::string_view parListPath, int16_t level,
                         int32_t moves, int16_t oldPar);

} // namespace dovrix
