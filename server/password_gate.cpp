#include "password_gate.h"

#include <sodium.h>

#include <stdexcept>

namespace dovrix::server {

PasswordGate::PasswordGate(PasswordHasher& hasher, const std::string& decoyHash,
                           CredentialCache* remembered)
    : hasher_(hasher), decoyHash_(decoyHash), remembered_(remembered),
      wrongPerAccount_(kWrongPasswordsPerAccount, kThrottleWindow, kThrottleCapacity),
      wrongPerAddress_(kWrongPasswordsPerAddress, kThrottleWindow, kThrottleCapacity) {}

std::string PasswordGate::hashingShare(const std::string& key, const Client& client) {
    return client.schoolNetwork ? key + '\n' + client.key : client.key;
}

PasswordGate::Verdict PasswordGate::verify(const std::string& key, const std::string* storedHash,
                                           const std::string& password, const Client& client,
                                           Clock::time_point now) {
    if (password.empty()) {
        return Verdict::Mismatch;
    }
    // Both limits are reserved before the hash, so guesses sent at once cannot pass them
    // together; past either, no password is checked at all. Inside the school network only
    // the account's limit counts: one student's guesses must not lock out the school.
    const std::string accountAndAddress = key + '\n' + client.key;
    const bool perAddress = !client.schoolNetwork;
    if (!wrongPerAccount_.take(accountAndAddress, now)) {
        return Verdict::Throttled;
    }
    if (perAddress && !wrongPerAddress_.take(client.key, now)) {
        wrongPerAccount_.giveBack(accountAndAddress, now);
        return Verdict::Throttled;
    }
    const auto giveBack = [&] {
        wrongPerAccount_.giveBack(accountAndAddress, now);
        if (perAddress) {
            wrongPerAddress_.giveBack(client.key, now);
        }
    };
    const std::string& hash = storedHash ? *storedHash : decoyHash_;
    if (storedHash && remembered_ && remembered_->contains(key, hash, password)) {
        giveBack();
        return Verdict::Match;
    }
    switch (hasher_.verify(hash, password, hashingShare(key, client))) {
    case PasswordHasher::Check::Busy:
        giveBack();
        return Verdict::Busy;
    case PasswordHasher::Check::Mismatch:
        return Verdict::Mismatch;
    case PasswordHasher::Check::Match:
        break;
    }
    if (!storedHash) {
        return Verdict::Mismatch;
    }
    giveBack();
    wrongPerAccount_.forget(accountAndAddress);
    if (remembered_) {
        remembered_->remember(key, hash, password);
    }
    return Verdict::Match;
}

std::string decoyPasswordHash(PasswordHasher& hasher) {
    unsigned char secret[32];
    randombytes_buf(secret, sizeof secret);
    const auto decoy =
        hasher.hash(std::string_view(reinterpret_cast<const char*>(secret), sizeof secret));
    if (!decoy) {
        throw std::runtime_error("out of memory while hashing a password");
    }
    return *decoy;
}

} // namespace dovrix::server
