#pragma once
// Password hashes (Argon2id from libsodium) and the in-memory record of credentials verified
// lately, which keeps the frequent progress updates from paying for Argon2id every time.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <semaphore>
#include <string>
#include <string_view>
#include <unordered_map>

namespace dovrix::server {

// Calls sodium_init(); false when libsodium cannot be used.
bool initialisePasswordHashing();

class PasswordHasher {
public:
    enum class Check { Match, Mismatch, Busy };

    // At most `parallel` hashes run at once: each takes 64 MiB and a core for a while. At most
    // `waiting` more wait for their turn; beyond them a hash is refused at once as busy, so a
    // flood of first logins cannot hold every request thread. One client (`who`) has at most
    // two hashes running or waiting, and its first one may wait in a line twice as long as
    // the second: a client flooding first logins cannot take the line from the others.
    explicit PasswordHasher(std::ptrdiff_t parallel, std::ptrdiff_t waiting = PTRDIFF_MAX / 4);

    // The encoded Argon2id hash (algorithm, parameters and salt included); nullopt when
    // memory runs out or too many hashes are waiting.
    std::optional<std::string> hash(std::string_view password, const std::string& who = {});
    Check verify(const std::string& encodedHash, std::string_view password,
                 const std::string& who = {});

private:
    bool enter(const std::string& who);
    void leave(const std::string& who);

    std::ptrdiff_t admissible_;
    std::ptrdiff_t ceiling_;
    std::mutex mutex_;
    std::ptrdiff_t admitted_ = 0;
    // Hashes running or waiting per client; a client without any has no entry.
    std::unordered_map<std::string, int> perClient_;
    std::counting_semaphore<> slots_;
};

class CredentialCache {
public:
    using Clock = std::chrono::steady_clock;

    CredentialCache(Clock::duration lifetime, std::size_t capacity);

    // Whether this password was verified against this stored hash for this user within the
    // lifetime. Only a keyed digest is kept: the password itself is never stored, and the
    // digest is worthless outside this process because its key is random.
    bool contains(std::string_view userKey, std::string_view storedHash, std::string_view password);
    void remember(std::string_view userKey, std::string_view storedHash, std::string_view password);
    void forget(std::string_view userKey);

private:
    using Digest = std::string;
    Digest digest(std::string_view userKey, std::string_view storedHash,
                  std::string_view password) const;

    struct Entry {
        Digest digest;
        Clock::time_point expires;
    };

    unsigned char key_[32];
    Clock::duration lifetime_;
    std::size_t capacity_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

} // namespace dovrix::server
