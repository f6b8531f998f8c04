#pragma once
// The account routines wired to the real parts: Qt HTTP, a share folder in a fresh temporary
// folder (with its Dovrix/ folder), the process environment, and a recording message-box
// service.

#include "accounts.h"
#include "catalogue.h"
#include "folder_share_files.h"
#include "qt_http_get.h"
#include "recording_message_boxes.h"
#include "system_environment.h"
#include "temp_folder.h"
#include "variables_for_test.h"

#include <filesystem>
#include <fstream>

namespace dovrix::testing {

struct AccountWorld {
    // With a user name and password, an account player at home.
    explicit AccountWorld(const std::string& serverUrl, std::string user = {},
                          std::string password = {})
        : share((folder.path() / "share").string()), deployment{.serverUrl = serverUrl,
                                                                .accountPath = "dovrix/account",
                                                                .parListPath = "dovrix/pars",
                                                                .progressShare = share,
                                                                .caFile = {},
                                                                .problems = {}},
          files(share), accounts(state, deployment, http, files, messages, environment) {
        std::filesystem::create_directories(folder.path() / "share" / "Dovrix");
        state.levelCount = 100;
        LoadLevelTable(state);
        accounts.setServerPaths();
        state.accountUser = std::move(user);
        state.accountPassword = std::move(password);
    }
    // A player on the school network, known by the log-on name.
    void atSchool(std::string user, std::string name) {
        state.atSchool = true;
        state.accountUser = std::move(user);
        state.playerName = std::move(name);
    }

    std::string progressFile() const { return share + "/Dovrix/" + state.playerName + ".txt"; }
    std::optional<std::string> progressFileContent() const { return fileContent(progressFile()); }
    void writeProgressFile(const std::string& content) const {
        std::ofstream(progressFile(), std::ios::binary) << content;
    }

    TempFolder folder;
    std::string share;
    SharedState state;
    Deployment deployment;
    QtHttpGet http;
    FolderShareFiles files;
    RecordingMessageBoxes messages;
    SystemEnvironment environment;
    Accounts accounts;
};

} // namespace dovrix::testing
