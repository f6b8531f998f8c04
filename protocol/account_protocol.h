#pragma once
// The account server's protocol, as the game, the login window and the server all speak it.
// Every request is an HTTP GET with its values in the query string; every reply is a short
// text body that the client compares exactly (case matters, nothing trimmed) or reads as a
// number. A text here changes on both sides at once, or the protocol breaks.
//
//   accountPath?o=OPERATION&u=USER&p=PASSWORD          create, login, halvern, vorna, qel
//   accountPath?o=update&u=USER&p=PASSWORD&l=LEVEL     update
//   parListPath                                        the par list, comma-separated
//   parListPath?Level=LEVEL&Moves=MOVES&Par=OLDPAR     a new par record

#include <cstddef>
#include <string_view>

namespace dovrix::protocol {

// The query parameters of the account requests.
inline constexpr std::string_view kOperationParameter = "o";
inline constexpr std::string_view kUserParameter = "u";
inline constexpr std::string_view kPasswordParameter = "p";
inline constexpr std::string_view kLevelParameter = "l";

// The query parameters of a par upload.
inline constexpr std::string_view kUploadLevelParameter = "Level";
inline constexpr std::string_view kUploadMovesParameter = "Moves";
inline constexpr std::string_view kUploadParParameter = "Par";

// The operation codes, the value of "o". "vorna" is named after the school district's
// network (its log-on domain), "halvern" after the school.
// A new online account.
inline constexpr std::string_view kCreateOperation = "create";
// An online account's level.
inline constexpr std::string_view kLoginOperation = "login";
// Does the school accept this student's school user name and password?
inline constexpr std::string_view kDistrictCheckOperation = "vorna";
// A student's level, after a district check that found the student's account.
inline constexpr std::string_view kStudentLoginOperation = "halvern";
// The automatic login on the school network: the log-on name and an empty password.
inline constexpr std::string_view kSchoolLoginOperation = "qel";
// Raise the account's stored level.
inline constexpr std::string_view kUpdateOperation = "update";

// The replies a client tells apart. Any other reply to a login is the account's level;
// any other reply to the district check of one to three characters means the student
// already has an account (log in with "halvern"); any other reply to an update is success.
inline constexpr std::string_view kSuccessReply = "Success";
inline constexpr std::string_view kInvalidCredentialsReply = "Invalid Username and/or Password";
inline constexpr std::string_view kUsernameTakenReply = "Username Already Exists";
// The failure text of every login and of create; a district check reads it as a failure too.
// nginx answers the two failure texts itself for what it refuses
// (server/nginx/dovrix-account-server.conf).
inline constexpr std::string_view kErrorCreatingAccountReply = "Error Creating Account";
inline constexpr std::string_view kErrorUpdatingAccountReply = "Error Updating Account";

// What the server answers to a successful update or par upload; clients read nothing into it.
inline constexpr std::string_view kDoneReply = "OK";
// What the server answers to a par request it did not act on: too short to be a par list.
inline constexpr std::string_view kIgnoredReply = "Ignored";

// A par list shorter than this (in characters) is not a list: an error text, an empty page.
inline constexpr std::size_t kShortestParList = 290;

} // namespace dovrix::protocol
