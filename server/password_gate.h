#pragma once
// A password check that counts guesses before it hashes: the game's logins and the console's
// sign-in share its rules. A wrong password, an unknown name and a name without a password
// of its own cost the same Argon2id work and count against the same limits, so no answer or
// delay tells them apart.

#include "passwords.h"
#include "rate_limit.h"

#include <chrono>
#include <string>

namespace dovrix::server {

// Who sends a request: the client's address, the key its limits count under (the address;
// an IPv6 address's /64, which one machine holds whole), and whether it lies in the school
// network.
struct Client {
    std::string address;
    std::string key;
    bool schoolNetwork = false;
};

// Limits per client address within any ten minutes, counted before any work is done.
inline constexpr std::chrono::minutes kThrottleWindow{10};
inline constexpr std::size_t kWrongPasswordsPerAccount = 10; // per account and address
// Not inside the school network, where a whole school may share one address.
inline constexpr std::size_t kWrongPasswordsPerAddress = 100;
// How many keys each throttle has room for: far more than the wrong passwords the hashing pool
// can check in its window, so a live key is almost never dropped. About 3 MB per throttle.
inline constexpr std::size_t kThrottleCapacity = 100000;

class PasswordGate {
public:
    using Clock = std::chrono::steady_clock;
    enum class Verdict { Match, Mismatch, Throttled, Busy };

    // `decoyHash` is checked when there is no stored hash; `remembered`, when given, lets a
    // password verified lately through without Argon2id.
    PasswordGate(PasswordHasher& hasher, const std::string& decoyHash,
                 CredentialCache* remembered);

    // Checks the password against the stored hash, or against the decoy that no password
    // matches when there is none. An empty password is never hashed. Past 10 wrong passwords
    // for the name from the client, or 100 in all from a client outside the school network,
    // no password is checked at all.
    Verdict verify(const std::string& key, const std::string* storedHash,
                   const std::string& password, const Client& client, Clock::time_point now);

    // Whose share of the password hasher a hash takes: the client's; inside the school
    // network, where many share an address, the name's at that address.
    static std::string hashingShare(const std::string& key, const Client& client);

private:
    PasswordHasher& hasher_;
    const std::string& decoyHash_;
    CredentialCache* remembered_;
    RateLimit wrongPerAccount_;
    RateLimit wrongPerAddress_;
};

// A hash that no password matches: its password is random and thrown away.
std::string decoyPasswordHash(PasswordHasher& hasher);

} // namespace dovrix::server
