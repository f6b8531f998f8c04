#include "accounts.h"

#include "account_messages.h"
#include "account_protocol.h"
#include "catalogue.h"
#include "number_text.h"
#include "progress_file.h"
#include "server_requests.h"
#include "text_case.h"
#include "user_names.h"
#include "utf8.h"

#include <array>

namespace dovrix {

namespace {

using namespace protocol;

bool startsWithSuccess(std::string_view reply) {
    return reply.starts_with(kSuccessReply);
}

// A level as the server writes it. A number that does not fit 16 bits cannot be a level; it
// is held as 0, like a reply that is no number at all, so the usual repair turns it into 1.
int16_t levelFromReply(std::string_view text) {
    return roundToInt16(leadingNumber(text)).value_or(0);
}

// A level reached outside 1..levelCount + 1 is repaired to 1 and the repair stored; one past
// the last level means every level is beaten: all stay open and play starts at level 1.
template <typename StoreRepair>
void settleLevelReached(SharedState& shared, StoreRepair storeRepair) {
    const int n = shared.levelCount;
    if (shared.levelReached > n + 1 || shared.levelReached < 1) {
        shared.levelReached = 1;
        storeRepair();
    }
    if (shared.levelReached <= n) {
        shared.currentLevel = shared.levelReached;
    }
    if (shared.levelReached == n + 1) {
        shared.levelReached = static_cast<int16_t>(n);
        shared.currentLevel = 1;
    }
}

// A par list entry the catalogue may take: a whole number from 1 to 32767, written in digits
// only. Anything else (an empty entry, a word, "0", "-3", "4.5") is skipped, so a broken or
// hostile list can never erase a par or write text into a level string.
bool isUsablePar(std::string_view entry) {
    const auto par = wholeNumber(entry);
    return par && *par >= 1 && *par <= 32767;
}

std::vector<std::string_view> splitAtCommas(std::string_view text) {
    std::vector<std::string_view> entries;
    while (true) {
        const std::size_t comma = text.find(',');
        entries.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) {
            return entries;
        }
        text.remove_prefix(comma + 1);
    }
}

} // namespace

Accounts::Accounts(SharedState& shared, const Deployment& deployment, HttpGet& http,
                   ShareFiles& share, MessageBoxService& messages, const Environment& environment)
    : shared_(shared), deployment_(deployment), http_(http), share_(share), messages_(messages),
      environment_(environment) {}

std::optional<std::string> Accounts::send(const ServerRequest& request) {
    if (deployment_.serverUrl.empty()) {
        return std::nullopt;
    }
    return http_.get(request);
}

void Accounts::setServerPaths() {
    shared_.accountPath = deployment_.accountPath;
    shared_.parListPath = deployment_.parListPath;
}

bool Accounts::detectSchool() const {
    // With neither variable the machine is not on the district's network, whatever the
    // configured values are.
    if (!environment_.exists("USERDOMAIN") && !environment_.exists("HOMEDRIVE")) {
        return false;
    }
    return toUpperCase(environment_.variable("USERDOMAIN")) ==
               toUpperCase(deployment_.districtDomain) &&
           toUpperCase(environment_.variable("HOMEDRIVE")) == toUpperCase(deployment_.homeDrive);
}

void Accounts::GetPlayerName() {
    static constexpr std::array<const char*, 3> kNameVariables = {"NWUSERNAME", "LOGIN",
                                                                  "USERNAME"};
    std::string working;
    bool anyVariable = false;
    for (const char* name : kNameVariables) {
        anyVariable = anyVariable || environment_.exists(name);
        working = std::string(trimBlanks(toLowerCase(environment_.variable(name))));
        if (!working.empty()) {
            break;
        }
    }
    // Systems that set none of the three (most Unix desktops) still give every run the same
    // name: the operating system's user name.
    if (!anyVariable) {
        working = std::string(trimBlanks(toLowerCase(environment_.systemUserName())));
    }

    std::string& accountUser = shared_.accountUser;
    if (!isSchoolLogOnName(accountUser) && !shared_.atSchool) {
        shared_.playerName = toUpperCase(accountUser.empty() ? working : accountUser);
        return;
    }
    if (!accountUser.empty()) {
        working = toLowerCase(accountUser);
    } else {
        accountUser = working;
    }

    std::u32string name = decodeUtf8(working);
    if (const auto backslash = name.find(U'\\'); backslash != std::u32string::npos) {
        name[backslash] = U' ';
    }
    const auto period = name.find(U'.');
    if (period != std::u32string::npos) {
        name[period] = U' ';
    }
    // Capitalise two characters: the first two, or the first and the one after the period's
    // blank. When the second does not exist the name stays as it was, first letter included.
    const std::size_t second = period == std::u32string::npos ? 1 : period + 1;
    if (second < name.size()) {
        name[0] = upperCaseLetter(name[0]);
        name[second] = upperCaseLetter(name[second]);
    }
    shared_.playerName = encodeUtf8(name);
}

std::string Accounts::progressFilePath() const {
    return "Dovrix/" + shared_.playerName + ".txt";
}

void Accounts::LoadProgress() {
    LoginAccount(kSchoolLoginOperation);
    if (startsWithSuccess(shared_.serverReply)) {
        // The server's own level, before LoginAccount's repair: a higher level on the server
        // reaches the file this way.
        shared_.levelReached =
            levelFromReply(std::string_view(shared_.serverReply).substr(kSuccessReply.size()));
        SaveProgress();
    }

    std::optional<int16_t> stored;
    if (const auto content = share_.read(progressFilePath())) {
        stored = readProgressFile(*content);
    }
    if (!stored) {
        shared_.levelReached = 1;
        shared_.currentLevel = 1;
        SaveProgress();
        return;
    }

    shared_.levelReached = *stored;
    settleLevelReached(shared_, [this] { SaveProgress(); });
}

void Accounts::SaveProgress() {
    const std::string path = progressFilePath();
    int16_t stored = 0;
    if (const auto content = share_.read(path)) {
        stored = readProgressFile(*content).value_or(0);
    }
    // The file is never lowered.
    if (stored >= shared_.levelReached) {
        return;
    }
    if (!share_.write(path, formatProgressFile(shared_.levelReached))) {
        return;
    }
    UpdateAccount();
}

void Accounts::LoginAccount(std::string_view operation) {
    const auto reply = send(accountRequest(deployment_.serverUrl, shared_.accountPath, operation,
                                              shared_.accountUser, shared_.accountPassword));
    const auto fail = [this] {
        shared_.levelReached = 1;
        shared_.currentLevel = 1;
        if (!shared_.atSchool) {
            messages_.show(errorAccessingOnlineAccountMessage());
        }
    };
    if (!reply) {
        fail();
        return;
    }
    shared_.serverReply = *reply;
    if (*reply == kInvalidCredentialsReply) {
        messages_.show(invalidOnlineCredentialsMessage());
        return;
    }
    if (reply->empty() || *reply == kErrorCreatingAccountReply) {
        fail();
        return;
    }

    shared_.levelReached = levelFromReply(*reply);
    shared_.serverReply = std::string(kSuccessReply) + std::to_string(shared_.levelReached);
    settleLevelReached(shared_, [this] { UpdateAccount(); });
}

void Accounts::UpdateAccount() {
    if (shared_.accountUser.empty()) {
        return;
    }
    const auto reply =
        send(updateRequest(deployment_.serverUrl, shared_.accountPath, shared_.accountUser,
                              shared_.accountPassword, shared_.levelReached));
    if (reply) {
        shared_.serverReply = *reply;
    }
    // Nothing is queued: the next call simply sends the level of that moment.
    if (!reply || reply->empty() || *reply == kErrorUpdatingAccountReply) {
        if (!shared_.atSchool) {
            messages_.show(errorUpdatingOnlineAccountMessage());
        }
    }
}

void Accounts::DownloadPars() {
    const auto reply = send(parListRequest(deployment_.serverUrl, shared_.parListPath));
    if (!reply) {
        return;
    }
    shared_.serverReply = *reply;
    if (characterCount(*reply) < kShortestParList) {
        return;
    }
    const std::vector<std::string_view> entries = splitAtCommas(*reply);
    const int lastLevel = std::min<int>(shared_.levelCount, kCatalogueSize);
    for (int level = 1; level <= lastLevel; ++level) {
        const auto index = static_cast<std::size_t>(level - 1);
        if (index >= entries.size()) {
            return;
        }
        const std::string_view entry = trimBlanks(entries[index]);
        if (!isUsablePar(entry)) {
            continue;
        }
        const std::string_view levelString = shared_.levelStrings[static_cast<std::size_t>(level)];
        const double localPar = leadingNumber(levelString.substr(0, levelString.find(',')));
        if (localPar > leadingNumber(entry)) {
            rewriteCataloguePar(shared_, level, entry);
        }
    }
}

std::optional<std::string> Accounts::createAccount() {
    const auto reply =
        send(accountRequest(deployment_.serverUrl, shared_.accountPath, kCreateOperation,
                               shared_.accountUser, shared_.accountPassword));
    if (reply) {
        shared_.serverReply = *reply;
    }
    return reply;
}

std::optional<std::string> Accounts::checkDistrictStudent() {
    const auto reply =
        send(accountRequest(deployment_.serverUrl, shared_.accountPath, kDistrictCheckOperation,
                               shared_.accountUser, shared_.accountPassword));
    if (reply) {
        shared_.serverReply = *reply;
    }
    return reply;
}

void Accounts::uploadPar(int16_t level, int32_t moves, int16_t oldPar) {
    const auto reply =
        send(parUploadRequest(deployment_.serverUrl, shared_.parListPath, level, moves, oldPar));
    if (reply) {
        shared_.serverReply = *reply;
    }
}

} // namespace dovrix
