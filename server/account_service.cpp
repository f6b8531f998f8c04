#include "account_service.h"

#include "catalogue.h"
#include "number_text.h"
#include "text_case.h"

#include <charconv>

namespace dovrix::server {

namespace {

constexpr const char* kInvalidCredentials = "Invalid Username and/or Password";
constexpr const char* kErrorCreatingAccount = "Error Creating Account";
constexpr const char* kErrorUpdatingAccount = "Error Updating Account";
constexpr const char* kUsernameTaken = "Username Already Exists";

// The game limits both fields to 25 characters; these bounds leave room for other clients
// while keeping hashing and storage cheap.
constexpr std::size_t kLongestUserName = 64;
constexpr std::size_t kLongestPassword = 128;

Answer badRequest(std::string text) {
    return {400, std::move(text) + "\n"};
}

// The single value of a parameter; nullopt when it is missing or given more than once.
std::optional<std::string> single(const QueryParameters& query, const std::string& name,
                                  std::string& problem) {
    const auto count = query.count(name);
    if (count == 1) {
        return query.find(name)->second;
    }
    problem = count == 0 ? "missing parameter " + name : "parameter " + name + " given twice";
    return std::nullopt;
}

bool hasControlCharacters(const std::string& text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return true;
        }
    }
    return false;
}

// A plain decimal integer as the game writes them: an optional minus and 1 to 9 digits.
std::optional<int> wholeNumber(const std::string& text) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    const std::size_t digits = text.size() - (!text.empty() && text.front() == '-' ? 1 : 0);
    if (digits == 0 || digits > 9 || (!text.empty() && text.front() == '+')) {
        return std::nullopt;
    }
    int value = 0;
    const auto [last, error] = std::from_chars(begin, end, value);
    if (error != std::errc{} || last != end) {
        return std::nullopt;
    }
    return value;
}

std::string userKeyOf(const std::string& user) {
    return toLowerCase(user);
}

} // namespace

std::vector<int> catalogueParList() {
    std::vector<int> pars;
    for (std::string_view levelString : builtInLevelStrings()) {
        const auto par = fieldValue(levelString.substr(0, levelString.find(',')));
        pars.push_back(par ? *par : 0);
    }
    return pars;
}

AccountService::AccountService(AccountStore& store, const std::vector<int>& cataloguePars,
                               ServiceSettings settings)
    : store_(store), settings_(std::move(settings)), hasher_(settings_.parallelHashes),
      credentials_(settings_.credentialLifetime, settings_.credentialCapacity) {
    if (!settings_.provenOptimum) {
        settings_.provenOptimum = [](int) { return std::optional<int>(); };
    }
    store_.reconcilePars(cataloguePars, settings_.provenOptimum);
}

Answer AccountService::account(const QueryParameters& query, bool trusted) {
    std::string problem;
    const auto operation = single(query, "o", problem);
    if (!operation) {
        return badRequest(problem);
    }
    const auto user = single(query, "u", problem);
    // The school's automatic login carries an empty password; accept it left out too.
    const auto password = *operation == "qel" && !query.contains("p")
                              ? std::optional<std::string>("")
                              : single(query, "p", problem);
    if (!user || !password) {
        return badRequest(problem);
    }
    if (user->size() > kLongestUserName || password->size() > kLongestPassword) {
        return badRequest("user name or password too long");
    }
    if (hasControlCharacters(*user) || hasControlCharacters(*password)) {
        return badRequest("control characters in user name or password");
    }

    if (*operation == "create") {
        return create(*user, *password);
    }
    if (*operation == "login") {
        return login(*user, *password);
    }
    if (*operation == "vorna") {
        return checkStudent(*user, *password, false);
    }
    if (*operation == "halvern") {
        return checkStudent(*user, *password, true);
    }
    if (*operation == "qel") {
        return schoolLogin(*user, trusted);
    }
    if (*operation == "update") {
        const auto levelText = single(query, "l", problem);
        if (!levelText) {
            return badRequest(problem);
        }
        const auto level = wholeNumber(*levelText);
        if (!level || *level < 1 || *level > settings_.highestLevel) {
            return badRequest("level must be a whole number from 1 to " +
                              std::to_string(settings_.highestLevel));
        }
        return update(*user, *password, *level, trusted);
    }
    return badRequest("unknown operation");
}

bool AccountService::verify(const std::string& userKey, const std::string& storedHash,
                            const std::string& password) {
    if (password.empty()) {
        return false;
    }
    if (credentials_.contains(userKey, storedHash, password)) {
        return true;
    }
    if (!hasher_.verify(storedHash, password)) {
        return false;
    }
    credentials_.remember(userKey, storedHash, password);
    return true;
}

Answer AccountService::create(const std::string& user, const std::string& password) {
    if (user.empty() || password.empty()) {
        return {200, kErrorCreatingAccount};
    }
    const std::string key = userKeyOf(user);
    // Check first so a taken name costs no hash; the insert below settles any race.
    if (store_.findAccount(key) || store_.studentPasswordHash(key)) {
        return {200, kUsernameTaken};
    }
    const auto hash = hasher_.hash(password);
    if (!hash) {
        return {500, kErrorCreatingAccount};
    }
    if (store_.createOnlineAccount(key, user, *hash) == CreateResult::NameTaken) {
        return {200, kUsernameTaken};
    }
    credentials_.remember(key, *hash, password);
    return {200, "Success"};
}

Answer AccountService::login(const std::string& user, const std::string& password) {
    const std::string key = userKeyOf(user);
    const auto account = store_.findAccount(key);
    if (!account || !account->passwordHash || !verify(key, *account->passwordHash, password)) {
        return {200, kInvalidCredentials};
    }
    return {200, std::to_string(account->level)};
}

// The district check ("vorna") and the student's login ("halvern") both take the school's
// user name and password. The check answers "Success" when it creates the game account and
// the account's level (one to three digits) when the account exists; the login answers the
// level, creating the account if needed.
Answer AccountService::checkStudent(const std::string& user, const std::string& password,
                                    bool replyLevel) {
    const std::string key = userKeyOf(user);
    const auto studentHash = store_.studentPasswordHash(key);
    if (!studentHash || !verify(key, *studentHash, password)) {
        return {200, kInvalidCredentials};
    }
    const bool existed = store_.findAccount(key).has_value();
    const auto level = store_.openSchoolAccount(key, user);
    if (!level) {
        // The name belongs to someone's online account, which a school password must not open.
        return {200, replyLevel ? kInvalidCredentials : kUsernameTaken};
    }
    if (!replyLevel && !existed) {
        return {200, "Success"};
    }
    return {200, std::to_string(*level)};
}

Answer AccountService::schoolLogin(const std::string& user, bool trusted) {
    if (!trusted) {
        return {200, kInvalidCredentials};
    }
    if (user.empty()) {
        return {200, kErrorCreatingAccount};
    }
    const auto level = store_.openSchoolAccount(userKeyOf(user), user);
    if (!level) {
        return {200, kInvalidCredentials};
    }
    return {200, std::to_string(*level)};
}

Answer AccountService::update(const std::string& user, const std::string& password, int level,
                              bool trusted) {
    const std::string key = userKeyOf(user);
    const auto account = store_.findAccount(key);
    if (!account) {
        return {200, kInvalidCredentials};
    }
    bool allowed = false;
    if (account->passwordHash) {
        allowed = verify(key, *account->passwordHash, password);
    } else if (password.empty()) {
        allowed = trusted;
    } else if (const auto studentHash = store_.studentPasswordHash(key)) {
        allowed = verify(key, *studentHash, password);
    }
    if (!allowed) {
        return {200, kInvalidCredentials};
    }
    if (!store_.raiseLevel(key, level)) {
        return {500, kErrorUpdatingAccount};
    }
    return {200, "OK"};
}

std::string AccountService::formatParList() {
    // Entries are at least two characters wide (" 7"), so the list of 100 pars is never
    // shorter than the 290 characters below which a game ignores it. Games trim the blank.
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

Answer AccountService::parList(const QueryParameters& query) {
    if (query.empty()) {
        return {200, formatParList()};
    }
    return uploadPar(query);
}

Answer AccountService::uploadPar(const QueryParameters& query) {
    std::string problem;
    const auto levelText = single(query, "Level", problem);
    const auto movesText = levelText ? single(query, "Moves", problem) : std::nullopt;
    const auto parText = movesText ? single(query, "Par", problem) : std::nullopt;
    if (!parText) {
        return badRequest(problem);
    }
    const auto level = wholeNumber(*levelText);
    const auto moves = wholeNumber(*movesText);
    if (!level || !moves || !wholeNumber(*parText)) {
        return badRequest("Level, Moves and Par must be whole numbers");
    }
    if (*level < 1 || *level > settings_.highestLevel - 1) {
        return badRequest("no such level");
    }
    // A claim below the proven optimum cannot be true, and a par below 1 means nothing.
    const auto optimum = settings_.provenOptimum(*level);
    if (*moves < 1 || (optimum && *moves < *optimum)) {
        return {200, "Ignored"};
    }
    return {200, store_.lowerPar(*level, *moves) ? "OK" : "Ignored"};
}

} // namespace dovrix::server
