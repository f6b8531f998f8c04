#pragma once
// The account server over HTTP: binds, answers on a pool of threads, stops on request.

#include "account_service.h"
#include "address_range.h"

#include <memory>
#include <string>

namespace httplib {
class Server;
}

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

class AccountServer {
public:
    // Opens the database and binds the port. Throws StoreError or std::runtime_error.
    explicit AccountServer(ServerOptions options);
    ~AccountServer();

    int port() const { return port_; }
    // "http://ADDR:PORT/", with brackets around an IPv6 address.
    std::string url() const;

    // Answers requests until stop() is called (from any thread). A stop() that comes before
    // run() has started listening is not lost: callers repeat it until run() returns, or
    // wait for isRunning() before they stop.
    void run();
    void stop();
    bool isRunning() const;

private:
    ServerOptions options_;
    std::unique_ptr<AccountStore> store_;
    std::unique_ptr<AccountService> service_;
    std::unique_ptr<httplib::Server> http_;
    int port_ = 0;
};

} // namespace dovrix::server
