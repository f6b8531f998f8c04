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
    // Proxies (nginx in front) whose X-Real-IP header names the client.
    AddressRanges trustedProxies;
    int threads = 16;
    bool logRequests = false;
    ServiceSettings service;
};

} // namespace dovrix::server
