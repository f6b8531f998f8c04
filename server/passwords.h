#pragma once
// Password hashes (Argon2id from libsodium) and the in-memory record of credentials verified
// lately, which keeps the frequent progress updates from paying for Argon2id every time.

#include <chrono>
#include <cstddef>
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
    // At most `parallel` hashes run at once: each takes 64 MiB and a core for a while.
    explicit PasswordHasher(std::ptrdiff_t parallel);

    // The encoded Argon2id hash (algorithm, parameters and salt included); nullopt when
    // memory runs out.
    std::optional<std::string> hash(std::string_view password);
    bool verify(const std::string& encodedHash, std::string_view password);

private:
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
