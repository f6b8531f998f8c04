#pragma once
// The console's sessions: a random 256-bit token in a __Host- cookie, kept by the store only
// as its hash, with a second random token that every form of the session carries. A session
// ends at sign-out, after 30 minutes unused, 12 hours after sign-in, and when its teacher is
// removed or changes password.

#include "school_store.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dovrix::server::console {

inline constexpr std::string_view kSessionCookie = "__Host-dovrix-console";
inline constexpr std::int64_t kIdleSeconds = 30 * 60;
inline constexpr std::int64_t kLongestSeconds = 12 * 60 * 60;

// 32 random bytes, URL-safe base64 without padding.
std::string randomToken();
// The hex BLAKE2b-256 of a token: what the store keeps and looks sessions up by.
std::string tokenHash(std::string_view token);
// Whether two tokens are equal, in time that does not depend on where they differ.
bool sameToken(std::string_view a, std::string_view b);

// The value of the session cookie in a Cookie header; empty when there is none.
std::string sessionCookieIn(std::string_view cookieHeader);
// The Set-Cookie value that gives the browser a session, and the one that takes it back.
std::string sessionCookie(const std::string& token);
std::string endedSessionCookie();

struct SignedIn {
    TeacherRecord teacher;
    SessionRecord session;
    std::string tokenHash;
};

// The session a Cookie header names, still open at `now`; a session past its time is ended.
std::optional<SignedIn> openSession(SchoolStore& store, std::string_view cookieHeader,
                                    std::int64_t now);

// A new session for the teacher: the cookie's token (to send, never kept) and its hash.
struct NewSession {
    std::string token;
    std::string tokenHash;
};
NewSession startSession(SchoolStore& store, std::int64_t teacherId, std::int64_t now);

} // namespace dovrix::server::console
