#pragma once
// What the account server answers: the account requests (create, login, the district check,
// update) and the par list with its uploads, independent of the HTTP layer.

#include "account_store.h"
#include "passwords.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace dovrix::server {

// A query string's parameters, decoded; a name given twice appears twice.
using QueryParameters = std::multimap<std::string, std::string>;

struct Answer {
    int status = 200;
    std::string body;
};

struct ServiceSettings {
    // The highest level an update may send: every level beaten (catalogue size + 1).
    int highestLevel = 101;
    // The fewest moves possible for a level, where known; no par goes below it.
    std::function<std::optional<int>(int)> provenOptimum;
    std::chrono::seconds credentialLifetime{15 * 60};
    std::size_t credentialCapacity = 100000;
    std::ptrdiff_t parallelHashes = 2;
};

class AccountService {
public:
    // The pars of levels 1..n from the catalogue; the store's par list is reconciled with
    // them and with the proven optima.
    AccountService(AccountStore& store, const std::vector<int>& cataloguePars,
                   ServiceSettings settings);

    // A request to the account path. `trusted` says whether it comes from the school
    // network, which may log in and update without a password.
    Answer account(const QueryParameters& query, bool trusted);
    // A request to the par list path: the list without a query, an upload with one.
    Answer parList(const QueryParameters& query);

private:
    Answer create(const std::string& user, const std::string& password);
    Answer login(const std::string& user, const std::string& password);
    Answer checkStudent(const std::string& user, const std::string& password, bool replyLevel);
    Answer schoolLogin(const std::string& user, bool trusted);
    Answer update(const std::string& user, const std::string& password, int level, bool trusted);
    bool verify(const std::string& userKey, const std::string& storedHash,
                const std::string& password);
    std::string formatParList();
    Answer uploadPar(const QueryParameters& query);

    AccountStore& store_;
    ServiceSettings settings_;
    PasswordHasher hasher_;
    CredentialCache credentials_;
};

// The catalogue's pars, level 1 first: the number before each level string's first comma.
std::vector<int> catalogueParList();

} // namespace dovrix::server
