#include "passwords.h"

#include <sodium.h>

#include <algorithm>

namespace dovrix::server {

bool initialisePasswordHashing() {
    return sodium_init() >= 0;
}

PasswordHasher::PasswordHasher(std::ptrdiff_t parallel, std::ptrdiff_t waiting)
    : admissible_(std::max<std::ptrdiff_t>(parallel, 1) + std::max<std::ptrdiff_t>(waiting, 0)),
      ceiling_(admissible_ + std::max<std::ptrdiff_t>(waiting, 0)),
      slots_(std::max<std::ptrdiff_t>(parallel, 1)) {}

bool PasswordHasher::enter(const std::string& who) {
    {
        const std::lock_guard lock(mutex_);
        const auto found = perClient_.find(who);
        const int held = found == perClient_.end() ? 0 : found->second;
        if (held >= 2 || admitted_ >= (held == 0 ? ceiling_ : admissible_)) {
            return false;
        }
        ++perClient_[who];
        ++admitted_;
    }
    slots_.acquire();
    return true;
}

void PasswordHasher::leave(const std::string& who) {
    slots_.release();
    const std::lock_guard lock(mutex_);
    if (--perClient_[who] == 0) {
        perClient_.erase(who);
    }
    --admitted_;
}

std::optional<std::string> PasswordHasher::hash(std::string_view password, const std::string& who) {
    char encoded[crypto_pwhash_STRBYTES];
    if (!enter(who)) {
        return std::nullopt;
    }
    const int result =
        crypto_pwhash_str(encoded, password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE);
    leave(who);
    if (result != 0) {
        return std::nullopt;
    }
    return std::string(encoded);
}

PasswordHasher::Check PasswordHasher::verify(const std::string& encodedHash,
                                             std::string_view password, const std::string& who) {
    if (!enter(who)) {
        return Check::Busy;
    }
    const int result =
        crypto_pwhash_str_verify(encodedHash.c_str(), password.data(), password.size());
    leave(who);
    return result == 0 ? Check::Match : Check::Mismatch;
}

CredentialCache::CredentialCache(Clock::duration lifetime, std::size_t capacity)
    : lifetime_(lifetime), capacity_(capacity) {
    randombytes_buf(key_, sizeof key_);
}

CredentialCache::Digest CredentialCache::digest(std::string_view userKey,
                                                std::string_view storedHash,
                                                std::string_view password) const {
    crypto_generichash_state state;
    crypto_generichash_init(&state, key_, sizeof key_, crypto_generichash_BYTES);
    // Lengths first, so no two different triples hash the same bytes.
    const uint64_t lengths[3] = {userKey.size(), storedHash.size(), password.size()};
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(lengths),
                              sizeof lengths);
    for (std::string_view part : {userKey, storedHash, password}) {
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(part.data()),
                                  part.size());
    }
    Digest out(crypto_generichash_BYTES, '\0');
    crypto_generichash_final(&state, reinterpret_cast<unsigned char*>(out.data()), out.size());
    return out;
}

bool CredentialCache::contains(std::string_view userKey, std::string_view storedHash,
                               std::string_view password) {
    if (lifetime_ <= Clock::duration::zero()) {
        return false;
    }
    const Digest wanted = digest(userKey, storedHash, password);
    const std::lock_guard lock(mutex_);
    const auto found = entries_.find(std::string(userKey));
    if (found == entries_.end()) {
        return false;
    }
    if (found->second.expires <= Clock::now()) {
        entries_.erase(found);
        return false;
    }
    return sodium_memcmp(found->second.digest.data(), wanted.data(), wanted.size()) == 0;
}

void CredentialCache::remember(std::string_view userKey, std::string_view storedHash,
                               std::string_view password) {
    if (lifetime_ <= Clock::duration::zero() || capacity_ == 0) {
        return;
    }
    Digest value = digest(userKey, storedHash, password);
    const auto now = Clock::now();
    const std::lock_guard lock(mutex_);
    if (entries_.size() >= capacity_ && !entries_.contains(std::string(userKey))) {
        std::erase_if(entries_, [now](const auto& entry) { return entry.second.expires <= now; });
        // Still full of live entries: start afresh rather than grow without bound; the cost
        // is one Argon2id check per user on their next request.
        if (entries_.size() >= capacity_) {
            entries_.clear();
        }
    }
    entries_[std::string(userKey)] = Entry{std::move(value), now + lifetime_};
}

void CredentialCache::forget(std::string_view userKey) {
    const std::lock_guard lock(mutex_);
    entries_.erase(std::string(userKey));
}

} // namespace dovrix::server
