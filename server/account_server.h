#pragma once
// The account server over HTTP: binds, answers on a pool of threads, stops on request.

#include "server_options.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace dovrix::server {

class RequestHandler;
class SchoolStore;
namespace console {
class Console;
}

class AccountServer {
public:
    // Opens the database and binds the port or the Unix socket. Throws StoreError or
    // std::runtime_error.
    explicit AccountServer(ServerOptions options);
    ~AccountServer();

    int port() const { return port_; }
    // "http://ADDR:PORT/", with brackets around an IPv6 address; "unix:PATH" on a Unix socket.
    std::string url() const;

    // Answers requests until stop() is called (from any thread). A stop() that comes before
    // run() has started listening is not lost: callers repeat it until run() returns, or
    // wait for isRunning() before they stop.
    void run();
    void stop();
    bool isRunning() const;

private:
    class Http;
    // Deletes what retention says (at start, before answering, then once a day).
    void purgeUnseen();
    void keepRetention();

    ServerOptions options_;
    std::unique_ptr<AccountStore> store_;
    std::unique_ptr<SchoolStore> school_;
    std::unique_ptr<RequestHandler> handler_;
    std::unique_ptr<console::Console> console_;
    std::unique_ptr<Http> http_;
    int port_ = 0;
    bool socketBound_ = false; // the Unix socket is this server's, to remove at the end
    std::mutex retentionMutex_;
    std::condition_variable retentionWake_;
    bool retentionStop_ = false;
    std::thread retention_;
};

} // namespace dovrix::server
