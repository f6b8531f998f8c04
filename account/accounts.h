#pragma once
// The player's identity, the progress file and the account server requests: the routines the
// login window, the start window, level completion and quitting call.

#include "deployment.h"
#include "environment.h"
#include "http_get.h"
#include "message_box.h"
#include "share_files.h"
#include "shared_state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dovrix {

class Accounts {
public:
    Accounts(SharedState& shared, const Deployment& deployment, HttpGet& http, ShareFiles& share,
             MessageBoxService& messages, const Environment& environment);

    // The login window's load: accountPath and parListPath from the deployment, and the
    // school test (USERDOMAIN and HOMEDRIVE, upper-cased, against the district's values).
    void setServerPaths();
    bool detectSchool() const;

    void GetPlayerName();
    void LoadProgress();
    void SaveProgress();

    // operation: "login", "halvern" or "qel".
    void LoginAccount(std::string_view operation);
    void UpdateAccount();
    void DownloadPars();

    // The create and district-check requests of the login window, with accountUser and
    // accountPassword. The reply (also left in serverReply), or nullopt when the transfer
    // failed (serverReply then keeps its old text).
    std::optional<std::string> createAccount();
    std::optional<std::string> checkDistrictStudent();

    // The par upload after a new record; the reply goes to serverReply, failures are ignored.
    void uploadPar(int16_t level, int32_t moves, int16_t oldPar);

    // The progress file's path on the share, "Dovrix/<playerName>.txt".
    std::string progressFilePath() const;

private:
    // The GET of a request to the account server; a failed transfer, without sending
    // anything, when the deployment has no usable server.
    std::optional<std::string> send(const ServerRequest& request);

    SharedState& shared_;
    Deployment deployment_;
    HttpGet& http_;
    ShareFiles& share_;
    MessageBoxService& messages_;
    const Environment& environment_;
};

} // namespace dovrix
