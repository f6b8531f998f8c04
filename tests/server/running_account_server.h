#pragma once
// The account server started in this process on a free loopback port, built from its command
// line as main() builds it, answering on its own threads until the object goes away.

#include "account_server.h"
#include "command_line.h"
#include "passwords.h"

#include <chrono>
#include <csignal>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace dovrix::testing {

class RunningAccountServer {
public:
    explicit RunningAccountServer(server::ServerOptions options) {
        std::signal(SIGPIPE, SIG_IGN);
        if (!server::initialisePasswordHashing()) {
            throw std::runtime_error("libsodium cannot be initialised");
        }
        server_ = std::make_unique<server::AccountServer>(std::move(options));
        thread_ = std::thread([this] { server_->run(); });
        // Wait until it listens, so that stopping cannot come too early.
        for (int waited = 0; !server_->isRunning() && waited < 10000; ++waited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~RunningAccountServer() { server_->stop(), thread_.join(); }

    std::string url() const { return server_->url(); }
    int port() const { return server_->port(); }

private:
    std::unique_ptr<server::AccountServer> server_;
    std::thread thread_;
};

// The options main() builds from the command line `--port 0 --db databasePath --threads 4`
// followed by `arguments`.
inline server::ServerOptions serverOptions(const std::string& databasePath,
                                           const std::vector<std::string>& arguments = {}) {
    std::vector<std::string> line = {"--port", "0", "--db", databasePath, "--threads", "4"};
    line.insert(line.end(), arguments.begin(), arguments.end());
    return server::parseCommandLine(line).value().options;
}

} // namespace dovrix::testing
