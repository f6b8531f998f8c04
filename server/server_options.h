#pragma once
// How the account server is set up: what its command line sets.

#include "account_service.h"
#include "address_range.h"

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
};

} // namespace dovrix::server
