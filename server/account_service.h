#pragma once
// What the account server answers: the account requests (create, login, the district check,
// update) and the par list with its uploads, independent of the HTTP layer.

#include "account_protocol.h"
#include "account_store.h"
#include "password_gate.h"
#include "passwords.h"
#include "rate_limit.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace dovrix::server {

// A query string's parameters, decoded; each name at most once.
using QueryParameters = std::map<std::string, std::string>;

struct Answer {
    int status = 200;
    std::string body;
};

// The reply to a failed account request with operation `o`, whatever the failure: the text
// that operation's client reads as a failure. Empty for an operation no client sends (an
// empty reply is a failure to every client).
std::string_view accountFailureText(std::string_view operation);
// The reply to a failed par list request or par upload: a short text, which a game never
// takes for a list, and never reads after an upload.
inline constexpr std::string_view kParFailure = protocol::kIgnoredReply;

struct ServiceSettings {
    std::chrono::seconds credentialLifetime{15 * 60};
    std::size_t credentialCapacity = 100000;
    // Argon2id runs on at most half the cores, so first logins leave the rest to everyone
    // else.
    std::ptrdiff_t parallelHashes =
        std::max<std::ptrdiff_t>(1, std::thread::hardware_concurrency() / 2);
    // Hashes that may wait for their turn; beyond them a hash is refused at once.
    std::ptrdiff_t waitingHashes = 4;
};

// Limits per client address within any ten minutes (kThrottleWindow), besides the wrong
// passwords that PasswordGate counts.
inline constexpr std::size_t kCreatesPerAddress = 20;
// New accounts that the school login opens when there is no student list.
inline constexpr std::size_t kSchoolAccountsPerAddress = 20;
inline constexpr std::size_t kParUploadsPerAddress = 10;

class AccountService {
public:
    using Clock = std::chrono::steady_clock;

    // The store's par list is reconciled with the compiled-in catalogue and its proven optima.
    AccountService(AccountStore& store, ServiceSettings settings);

    // A request to the account path.
    Answer account(const QueryParameters& query, const Client& client, Clock::time_point now);
    // A request to the par list path: the list without a query, an upload with one.
    Answer parList(const QueryParameters& query, const Client& client, Clock::time_point now);

    // For the school's console, which hashes on the same pool within the same limits.
    PasswordHasher& passwordHasher() { return hasher_; }
    const std::string& decoyHash() const { return decoyHash_; }
    // Forgets the verified password remembered for the account: its password was changed or
    // the account deleted, and the old password must not open it again.
    void forgetCredentials(const std::string& userKey) { credentials_.forget(userKey); }

private:
    using Verdict = PasswordGate::Verdict;
    struct Caller {
        const Client& client;
        Clock::time_point now;
    };

    Answer create(const std::string& user, const std::string& password, const Caller& caller);
    Answer login(const std::string& user, const std::string& password, const Caller& caller);
    Answer checkStudent(const std::string& user, const std::string& password, bool replyLevel,
                        const Caller& caller);
    Answer schoolLogin(const std::string& user, const Caller& caller);
    Answer update(const std::string& user, const std::string& password, int level,
                  const Caller& caller);
    // Checks the password against the stored hash, or, when there is none to check against,
    // against a decoy that no password matches: an unknown name costs the same work, counts
    // against the same limits and gets the same answers as a known one.
    Verdict verify(const std::string& userKey, const std::string* storedHash,
                   const std::string& password, const Caller& caller);
    static Answer refusal(Verdict verdict, std::string_view failure);
    std::string formatParList();
    Answer uploadPar(const QueryParameters& query);

    AccountStore& store_;
    ServiceSettings settings_;
    PasswordHasher hasher_;
    std::string decoyHash_;
    CredentialCache credentials_;
    PasswordGate gate_;
    RateLimit creates_;
    RateLimit schoolAccounts_;
    RateLimit parUploads_;
};

// The catalogue's pars, level 1 first: the number before each level string's first comma.
std::vector<int> catalogueParList();

} // namespace dovrix::server
