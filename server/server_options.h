#pragma once
// How the account server is set up: what its command line sets.

#include "account_service.h"
#include "address_range.h"

#include <optional>
#include <string>

namespace dovrix::server {

struct ServerOptions {
    std::string bindAddress = "127.0.0.1";
    int port = 8080; // 0: any free port
    std::string databasePath;
    std::string accountPath = "dovrix/account";
    std::string parListPath = "dovrix/pars";
    AddressRanges trusted = AddressRanges::loopback();
    // Listen on this Unix socket instead of a TCP port: the front end's (nginx's) door, the
    // only one where X-Real-IP names the client. Its folder decides who may connect.
    std::string socketPath;
    int threads = 16;
    bool logRequests = false;
    ServiceSettings service;
    // The school's console under consolePath: on unless switched off, answering only clients
    // in consoleFrom (unset: the trusted ranges and loopback), and only once a teacher exists.
    bool console = true;
    std::string consolePath = "dovrix/console";
    std::optional<AddressRanges> consoleFrom;
    // An account without a login or update for this many days is deleted with its history.
    int retainDays = 400;
};

} // namespace dovrix::server
