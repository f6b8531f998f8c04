#include "account_server.h"

#include <httplib.h>

#include <iostream>
#include <mutex>
#include <stdexcept>

namespace dovrix::server {

namespace {

// The paths are literal text, but cpp-httplib matches routes as regular expressions.
std::string routePattern(const std::string& path) {
    std::string pattern = "/";
    for (char c : path) {
        if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) {
            pattern.push_back('\\');
        }
        pattern.push_back(c);
    }
    return pattern;
}

QueryParameters queryOf(const httplib::Request& request) {
    return QueryParameters(request.params.begin(), request.params.end());
}

void send(httplib::Response& response, const Answer& answer) {
    response.status = answer.status;
    response.set_content(answer.body, "text/plain; charset=utf-8");
}

} // namespace

AccountServer::AccountServer(ServerOptions options) : options_(std::move(options)) {
    store_ = std::make_unique<AccountStore>(options_.databasePath);
    service_ = std::make_unique<AccountService>(*store_, catalogueParList(), options_.service);
    http_ = std::make_unique<httplib::Server>();

    const int threads = options_.threads > 0 ? options_.threads : 1;
    http_->new_task_queue = [threads] {
        return new httplib::ThreadPool(static_cast<size_t>(threads));
    };
    // One request per connection. cpp-httplib gives each connection a thread of the pool
    // for as long as it stays open, and a game sends a request every few minutes at most:
    // kept-alive idle connections from a classroom of games would hold every thread while
    // new requests wait.
    http_->set_keep_alive_max_count(1);
    http_->set_read_timeout(10);
    http_->set_write_timeout(10);
    http_->set_tcp_nodelay(true);
    // cpp-httplib also sets SO_REUSEPORT by default, which lets a second server share the
    // port and take half of the requests to another database. Only SO_REUSEADDR, so a
    // restart can take the port back at once.
    int listeningSocket = -1;
    http_->set_socket_options([&listeningSocket](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listeningSocket = socket;
    });

    http_->Get(routePattern(options_.accountPath),
               [this](const httplib::Request& request, httplib::Response& response) {
                   const std::string realIp = request.get_header_value("X-Real-IP");
                   const auto client =
                       clientAddress(request.remote_addr,
                                     request.has_header("X-Real-IP") ? &realIp : nullptr,
                                     options_.trustedProxies);
                   if (!client) {
                       send(response, {400, "Error Creating Account"});
                       return;
                   }
                   send(response,
                        service_->account(queryOf(request), options_.trusted.contains(*client)));
               });
    http_->Get(routePattern(options_.parListPath),
               [this](const httplib::Request& request, httplib::Response& response) {
                   send(response, service_->parList(queryOf(request)));
               });
    http_->set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                std::cerr << "dovrix-account-server: " << e.what() << '\n';
            } catch (...) {
                std::cerr << "dovrix-account-server: unknown error\n";
            }
            response.status = 500;
            response.set_content("Server error\n", "text/plain");
        });
    if (options_.logRequests) {
        // The path only, never the query: it holds passwords.
        http_->set_logger([](const httplib::Request& request, const httplib::Response& response) {
            static std::mutex logMutex;
            const std::lock_guard lock(logMutex);
            std::cerr << request.remote_addr << ' ' << request.method << ' ' << request.path
                      << " o=" << request.get_param_value("o") << ' ' << response.status << '\n';
        });
    }

    if (options_.port == 0) {
        port_ = http_->bind_to_any_port(options_.bindAddress);
    } else if (http_->bind_to_port(options_.bindAddress, options_.port)) {
        port_ = options_.port;
    } else {
        port_ = -1;
    }
    if (port_ <= 0) {
        throw std::runtime_error("cannot listen on " + options_.bindAddress + " port " +
                                 std::to_string(options_.port));
    }
    // cpp-httplib listens with a backlog of 5: a class starting the game at once would see
    // dropped connections and second-long retries. Listening again only enlarges the queue.
    if (listeningSocket >= 0) {
        ::listen(listeningSocket, SOMAXCONN);
    }
    http_->set_socket_options([](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
}

AccountServer::~AccountServer() {
    stop();
}

std::string AccountServer::url() const {
    const bool v6 = options_.bindAddress.find(':') != std::string::npos;
    const std::string host = v6 ? "[" + options_.bindAddress + "]" : options_.bindAddress;
    return "http://" + host + ":" + std::to_string(port_) + "/";
}

void AccountServer::run() {
    http_->listen_after_bind();
}

bool AccountServer::isRunning() const {
    return http_->is_running();
}

void AccountServer::stop() {
    if (http_) {
        http_->stop();
    }
}

} // namespace dovrix::server
