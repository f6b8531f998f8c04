#include "sessions.h"

#include <sodium.h>

namespace dovrix::server::console {

std::string randomToken() {
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    constexpr int variant = sodium_base64_VARIANT_URLSAFE_NO_PADDING;
    std::string text(sodium_base64_ENCODED_LEN(sizeof bytes, variant), '\0');
    sodium_bin2base64(text.data(), text.size(), bytes, sizeof bytes, variant);
    text.resize(text.find('\0'));
    return text;
}

std::string tokenHash(std::string_view token) {
    unsigned char digest[32];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(token.data()),
                       token.size(), nullptr, 0);
    std::string hex(sizeof digest * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), digest, sizeof digest);
    hex.pop_back();
    return hex;
}

bool sameToken(std::string_view a, std::string_view b) {
    return a.size() == b.size() && !a.empty() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string sessionCookieIn(std::string_view header) {
    while (!header.empty()) {
        const std::size_t end = header.find(';');
        std::string_view part = header.substr(0, end);
        header = end == std::string_view::npos ? std::string_view{} : header.substr(end + 1);
        while (!part.empty() && part.front() == ' ') {
            part.remove_prefix(1);
        }
        if (part.starts_with(kSessionCookie) && part.size() > kSessionCookie.size() &&
            part[kSessionCookie.size()] == '=') {
            return std::string(part.substr(kSessionCookie.size() + 1));
        }
    }
    return {};
}

std::string sessionCookie(const std::string& token) {
    return std::string(kSessionCookie) + "=" + token + "; Secure; HttpOnly; SameSite=Strict; Path=/";
}

std::string endedSessionCookie() {
    return std::string(kSessionCookie) +
           "=; Secure; HttpOnly; SameSite=Strict; Path=/; Max-Age=0";
}

std::optional<SignedIn> openSession(SchoolStore& store, std::string_view cookieHeader,
                                    std::int64_t now) {
    const std::string token = sessionCookieIn(cookieHeader);
    if (token.empty()) {
        return std::nullopt;
    }
    const std::string hash = tokenHash(token);
    const auto session = store.findSession(hash);
    if (!session) {
        return std::nullopt;
    }
    if (now - session->startedAt >= kLongestSeconds || now - session->usedAt >= kIdleSeconds) {
        store.endSession(hash);
        return std::nullopt;
    }
    auto teacher = store.teacher(session->teacherId);
    if (!teacher) {
        store.endSession(hash);
        return std::nullopt;
    }
    // Idle time counts in minutes: one write a minute at most per session.
    if (now - session->usedAt >= 60) {
        store.touchSession(hash, now);
    }
    return SignedIn{std::move(*teacher), *session, hash};
}

NewSession startSession(SchoolStore& store, std::int64_t teacherId, std::int64_t now) {
    store.dropSessions(now - kLongestSeconds, now - kIdleSeconds);
    NewSession fresh{randomToken(), {}};
    fresh.tokenHash = tokenHash(fresh.token);
    store.startSession(fresh.tokenHash, teacherId, randomToken(), now);
    return fresh;
}

} // namespace dovrix::server::console
