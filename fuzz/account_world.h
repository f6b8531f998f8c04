#pragma once
// The account routines over in-memory stand-ins for the network and the share, so one input
// runs in microseconds: the server's reply and the share's files are what the fuzzer wrote.

#include "accounts.h"
#include "catalogue.h"
#include "headless_game.h"

#include <map>
#include <optional>
#include <string>

namespace dovrix::fuzz {

// Answers every request with the same body.
class ReplyingHttp : public HttpGet {
public:
    std::optional<std::string> get(const ServerRequest&) override { return reply; }
    std::optional<std::string> reply;
};

class MemoryShare : public ShareFiles {
public:
    std::optional<std::string> read(const std::string& relativePath) override {
        const auto file = files.find(relativePath);
        return file == files.end() ? std::nullopt : std::optional(file->second);
    }
    bool write(const std::string& relativePath, const std::string& content) override {
        files[relativePath] = content;
        return true;
    }
    std::map<std::string, std::string> files;
};

class NoEnvironment : public Environment {
public:
    std::string variable(const std::string&) const override { return {}; }
    std::string systemUserName() const override { return "player"; }
};

// A player as the login window leaves the state.
struct AccountWorld {
    explicit AccountWorld(bool atSchool)
        : accounts(state, deployment, http, share, messages, environment) {
        deployment.serverUrl = "http://127.0.0.1:8080/";
        deployment.accountPath = "dovrix/account";
        deployment.parListPath = "dovrix/pars";
        // The catalogue itself is loaded only where a reply can change it (the par list).
        state.levelCount = kCatalogueSize;
        accounts.setServerPaths();
        state.atSchool = atSchool;
        state.accountUser = atSchool ? "pat.kim" : "pat";
        state.accountPassword = atSchool ? "" : "secret";
        state.playerName = atSchool ? "Pat Kim" : "PAT";
        state.levelReached = 1;
        state.currentLevel = 1;
    }

    SharedState state;
    Deployment deployment;
    ReplyingHttp http;
    MemoryShare share;
    SilentMessageBoxes messages;
    NoEnvironment environment;
    Accounts accounts;
};

// Where play may stand after a level has been read from outside: a level of the catalogue.
inline bool levelsArePlayable(const SharedState& state) {
    return state.levelReached >= 1 && state.levelReached <= state.levelCount &&
           state.currentLevel >= 1 && state.currentLevel <= state.levelReached;
}

} // namespace dovrix::fuzz
