#include "account_service.h"

#include "account_protocol.h"
#include "catalogue.h"
#include "number_text.h"
#include "user_names.h"

#include <stdexcept>

namespace dovrix::server {

namespace {

using namespace protocol;

Answer reply(int status, std::string_view body) {
    return {status, std::string(body)};
}

// The highest level an update may send: every level beaten.
constexpr int kHighestLevel = kCatalogueSize + 1;

const std::string* parameter(const QueryParameters& query, std::string_view name) {
    const auto found = query.find(std::string(name));
    return found == query.end() ? nullptr : &found->second;
}

// The login box's operations, whose names and passwords a player types.
bool isTyped(std::string_view operation) {
    return operation == kCreateOperation || operation == kLoginOperation ||
           operation == kDistrictCheckOperation || operation == kStudentLoginOperation;
}

} // namespace

std::string_view accountFailureText(std::string_view operation) {
    if (operation == kUpdateOperation) {
        return kErrorUpdatingAccountReply;
    }
    // The logins read this text as a failure; create and the district check read any text of
    // four characters or more other than their two answers as one.
    if (isTyped(operation) || operation == kSchoolLoginOperation) {
        return kErrorCreatingAccountReply;
    }
    return {};
}

std::vector<int> catalogueParList() {
    std::vector<int> pars;
    for (std::string_view levelString : builtInLevelStrings()) {
        const auto par = fieldValue(levelString.substr(0, levelString.find(',')));
        pars.push_back(par ? *par : 0);
    }
    return pars;
}

AccountService::AccountService(AccountStore& store, ServiceSettings settings)
    : store_(store), settings_(settings),
      hasher_(settings_.parallelHashes, settings_.waitingHashes),
      decoyHash_(decoyPasswordHash(hasher_)),
      credentials_(settings_.credentialLifetime, settings_.credentialCapacity),
      gate_(hasher_, decoyHash_, &credentials_),
      creates_(kCreatesPerAddress, kThrottleWindow, kThrottleCapacity),
      schoolAccounts_(kSchoolAccountsPerAddress, kThrottleWindow, kThrottleCapacity),
      parUploads_(kParUploadsPerAddress, kThrottleWindow, kThrottleCapacity) {
    store_.reconcilePars(catalogueParList(),
                         [](int level) -> std::optional<int> { return provenOptimum(level); });
}

Answer AccountService::account(const QueryParameters& query, const Client& client,
                               Clock::time_point now) {
    const std::string* operation = parameter(query, kOperationParameter);
    const std::string failure(accountFailureText(operation ? *operation : ""));
    if (failure.empty()) {
        return {400, failure};
    }
    const std::string* user = parameter(query, kUserParameter);
    const std::string* password = parameter(query, kPasswordParameter);
    const std::string noPassword;
    // The school's automatic login carries an empty password; accept it left out too.
    if (*operation == kSchoolLoginOperation && !password) {
        password = &noPassword;
    }
    if (!user || !password) {
        return {400, failure};
    }
    bool wellFormed = false;
    if (isTyped(*operation)) {
        wellFormed = isAcceptableText(*user, 1, kLongestTypedText) &&
                     isAcceptableText(*password, 1, kLongestTypedText);
    } else {
        // The school login and updates of school accounts may carry a school log-on name and
        // no password.
        wellFormed = isAcceptableText(*user, 1, kLongestSchoolName) &&
                     isAcceptableText(*password, 0, kLongestTypedText) &&
                     (*operation == kUpdateOperation || password->empty());
    }
    if (!wellFormed) {
        return {400, failure};
    }

    const Caller caller{client, now};
    if (*operation == kCreateOperation) {
        // The login window never creates a school log-on name.
        if (isSchoolLogOnName(*user)) {
            return {400, failure};
        }
        return create(*user, *password, caller);
    }
    if (*operation == kLoginOperation) {
        return login(*user, *password, caller);
    }
    if (*operation == kDistrictCheckOperation || *operation == kStudentLoginOperation) {
        return checkStudent(*user, *password, *operation == kStudentLoginOperation, caller);
    }
    if (*operation == kSchoolLoginOperation) {
        return schoolLogin(*user, caller);
    }
    const std::string* levelText = parameter(query, kLevelParameter);
    const auto level = levelText ? wholeNumber(*levelText) : std::nullopt;
    if (!level || *level < 1 || *level > kHighestLevel) {
        return {400, failure};
    }
    return update(*user, *password, *level, caller);
}

AccountService::Verdict AccountService::verify(const std::string& userKey,
                                               const std::string* storedHash,
                                               const std::string& password, const Caller& caller) {
    return gate_.verify(userKey, storedHash, password, caller.client, caller.now);
}

// A password check that neither matched nor failed: past a guessing limit (429) or too busy to
// hash (503). Either way the client reads a failure and tells the player to try later.
Answer AccountService::refusal(Verdict verdict, std::string_view failure) {
    return reply(verdict == Verdict::Throttled ? 429 : 503, failure);
}

Answer AccountService::create(const std::string& user, const std::string& password,
                              const Caller& caller) {
    if (!creates_.take(caller.client.key, caller.now)) {
        return reply(429, kErrorCreatingAccountReply);
    }
    const std::string key = userKey(user);
    // Check first so a taken name costs no hash; the insert below settles any race. Every
    // name on the student list belongs to its student.
    if (store_.findAccount(key) || store_.studentPasswordHash(key)) {
        return reply(200, kUsernameTakenReply);
    }
    const auto hash = hasher_.hash(password, PasswordGate::hashingShare(key, caller.client));
    if (!hash) {
        // Too busy to hash: no account was made, so none is counted.
        creates_.giveBack(caller.client.key, caller.now);
        return reply(503, kErrorCreatingAccountReply);
    }
    if (store_.createOnlineAccount(key, user, *hash) == CreateResult::NameTaken) {
        return reply(200, kUsernameTakenReply);
    }
    credentials_.remember(key, *hash, password);
    return reply(200, kSuccessReply);
}

Answer AccountService::login(const std::string& user, const std::string& password,
                             const Caller& caller) {
    const std::string key = userKey(user);
    const auto account = store_.findAccount(key);
    // A school account has no password of its own: no password opens it as an online one.
    const std::string* hash = account && account->passwordHash ? &*account->passwordHash : nullptr;
    const Verdict verdict = verify(key, hash, password, caller);
    if (verdict == Verdict::Mismatch) {
        return reply(200, kInvalidCredentialsReply);
    }
    if (verdict != Verdict::Match) {
        return refusal(verdict, kErrorCreatingAccountReply);
    }
    store_.noteSeen(key);
    return {200, std::to_string(account->level)};
}

// The district check ("vorna") and the student's login ("halvern") both take the school's
// user name and password. The check answers "Success" when it creates the game account and
// the account's level (one to three digits) when the account exists; the login answers the
// level, creating the account if needed.
Answer AccountService::checkStudent(const std::string& user, const std::string& password,
                                    bool replyLevel, const Caller& caller) {
    const std::string key = userKey(user);
    const auto studentHash = store_.studentPasswordHash(key);
    const Verdict verdict = verify(key, studentHash ? &*studentHash : nullptr, password, caller);
    if (verdict == Verdict::Mismatch) {
        return reply(200, kInvalidCredentialsReply);
    }
    if (verdict != Verdict::Match) {
        return refusal(verdict, kErrorCreatingAccountReply);
    }
    const bool existed = store_.findAccount(key).has_value();
    const auto level = store_.openSchoolAccount(key, user);
    if (!level) {
        // The name belongs to someone's online account, which a school password must not open.
        return reply(200, replyLevel ? kInvalidCredentialsReply : kUsernameTakenReply);
    }
    if (!replyLevel && !existed) {
        return reply(200, kSuccessReply);
    }
    return {200, std::to_string(*level)};
}

// With a student list, the school login opens only the names on it; without one, it makes
// at most a few new accounts per address, so no one can fill the database with made-up names.
Answer AccountService::schoolLogin(const std::string& user, const Caller& caller) {
    if (!caller.client.schoolNetwork) {
        return reply(200, kInvalidCredentialsReply);
    }
    const std::string key = userKey(user);
    if (store_.hasStudents()) {
        if (!store_.studentPasswordHash(key)) {
            return reply(200, kInvalidCredentialsReply);
        }
    } else if (!store_.findAccount(key) && !schoolAccounts_.take(caller.client.key, caller.now)) {
        return reply(429, kErrorCreatingAccountReply);
    }
    const auto level = store_.openSchoolAccount(key, user);
    if (!level) {
        return reply(200, kInvalidCredentialsReply);
    }
    return {200, std::to_string(*level)};
}

// Every refused update answers the update's failure text, which the game reports; a level
// that a game believes saved must be.
Answer AccountService::update(const std::string& user, const std::string& password, int level,
                              const Caller& caller) {
    const std::string key = userKey(user);
    const auto account = store_.findAccount(key);
    Verdict verdict = Verdict::Mismatch;
    if (account && !account->passwordHash && password.empty()) {
        verdict = caller.client.schoolNetwork ? Verdict::Match : Verdict::Mismatch;
    } else {
        // An online account answers to its own password, a school account to the student's.
        const auto studentHash = account && !account->passwordHash ? store_.studentPasswordHash(key)
                                                                   : std::optional<std::string>();
        const std::string* hash = account && account->passwordHash ? &*account->passwordHash
                                  : studentHash                    ? &*studentHash
                                                                   : nullptr;
        verdict = verify(key, hash, password, caller);
    }
    if (verdict == Verdict::Mismatch) {
        return reply(403, kErrorUpdatingAccountReply);
    }
    if (verdict != Verdict::Match) {
        return refusal(verdict, kErrorUpdatingAccountReply);
    }
    if (!store_.raiseLevel(key, level)) {
        return reply(500, kErrorUpdatingAccountReply);
    }
    return reply(200, kDoneReply);
}

std::string AccountService::formatParList() {
    // Entries are at least two characters wide (" 7"), so the list of 100 pars is never
    // shorter than the 290 characters below which a game ignores it. Games trim the blank.
    static_assert(kCatalogueSize * 3 - 1 >= kShortestParList);
    std::string list;
    for (int par : store_.pars()) {
        if (!list.empty()) {
            list.push_back(',');
        }
        if (par >= 0 && par < 10) {
            list.push_back(' ');
        }
        list += std::to_string(par);
    }
    return list;
}

Answer AccountService::parList(const QueryParameters& query, const Client& client,
                               Clock::time_point now) {
    if (query.empty()) {
        return {200, formatParList()};
    }
    if (!parUploads_.take(client.key, now)) {
        return {429, std::string(kParFailure)};
    }
    return uploadPar(query);
}

Answer AccountService::uploadPar(const QueryParameters& query) {
    const std::string* levelText = parameter(query, kUploadLevelParameter);
    const std::string* movesText = parameter(query, kUploadMovesParameter);
    const std::string* parText = parameter(query, kUploadParParameter);
    const auto level = levelText ? wholeNumber(*levelText) : std::nullopt;
    const auto moves = movesText ? wholeNumber(*movesText) : std::nullopt;
    if (!level || !moves || !parText || !wholeNumber(*parText) || *level < 1 ||
        *level > kCatalogueSize) {
        return {400, std::string(kParFailure)};
    }
    // No one can beat a level in fewer moves than its proven optimum.
    const int least = provenOptimum(*level).value_or(1);
    const int claimed = moves.value_or(0);
    if (claimed < 1 || claimed < least) {
        return {400, std::string(kParFailure)};
    }
    if (!store_.lowerPar(*level, claimed)) {
        return {200, std::string(kParFailure)};
    }
    return reply(200, kDoneReply);
}

} // namespace dovrix::server
