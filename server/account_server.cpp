#include "account_server.h"

#include "console/console.h"
#include "console/http_adapter.h"
#include "counted.h"
#include "request_handler.h"
#include "school_store.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <string_view>

namespace dovrix::server {

namespace {

using Clock = std::chrono::steady_clock;

// The whole request must arrive within this time, however slowly it drips in.
constexpr auto kRequestTime = std::chrono::seconds(10);
constexpr auto kWriteTime = std::chrono::seconds(10);
// How often a waiting connection looks whether the server is stopping.
constexpr auto kStopCheck = std::chrono::milliseconds(100);

// One connection, from its worker thread's point of view.
struct Connection {
    socket_t socket = -1;
    std::string peer;
    // Through the front end's Unix socket: its X-Real-IP names the client.
    bool throughFrontEnd = false;
    // Set once the request is read and its answer begun: stopping lets it finish.
    std::atomic<bool> answering{false};
    // Set once the request went to the request handler, whatever it answered.
    bool handled = false;
};

thread_local Connection* currentConnection = nullptr;

std::string peerAddress(socket_t socket) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return {};
    }
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&address)->sin_addr, text, sizeof text);
    } else if (address.ss_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&address)->sin6_addr, text,
                  sizeof text);
    }
    return text;
}

// A connection's socket as cpp-httplib reads and writes it. Waits are cut into short slices
// so that a stopping server lets go of idle and half-sent connections at once, and the
// request as a whole has a time limit, not each byte of it.
class ConnectionStream : public httplib::Stream {
public:
    ConnectionStream(Connection& connection, const std::atomic<bool>& stopping)
        : connection_(connection), stopping_(stopping),
          requestDeadline_(Clock::now() + kRequestTime) {}

    bool is_readable() const override { return wait(POLLIN, requestDeadline_); }
    bool is_writable() const override { return wait(POLLOUT, Clock::now() + kWriteTime); }

    ssize_t read(char* data, size_t size) override {
        if (offset_ == filled_) {
            if (!is_readable()) {
                return -1;
            }
            const ssize_t received = recv(connection_.socket, buffer_, sizeof buffer_, 0);
            if (received <= 0) {
                return received;
            }
            offset_ = 0;
            filled_ = static_cast<std::size_t>(received);
        }
        const std::size_t count = std::min(size, filled_ - offset_);
        std::copy(buffer_ + offset_, buffer_ + offset_ + count, data);
        offset_ += count;
        return static_cast<ssize_t>(count);
    }

    ssize_t write(const char* data, size_t size) override {
        if (!is_writable()) {
            return -1;
        }
        return send(connection_.socket, data, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        ip = connection_.peer;
        port = 0;
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        ip.clear();
        port = 0;
    }
    socket_t socket() const override { return connection_.socket; }

private:
    bool wait(short events, Clock::time_point deadline) const {
        while (true) {
            if (stopping_ && !connection_.answering) {
                return false;
            }
            const auto left = deadline - Clock::now();
            if (left <= Clock::duration::zero()) {
                return false;
            }
            const auto slice = std::min<Clock::duration>(left, kStopCheck);
            pollfd waiting{connection_.socket, events, 0};
            const int ready =
                poll(&waiting, 1,
                     static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(slice).count()));
            if (ready > 0) {
                return true;
            }
            if (ready < 0 && errno != EINTR) {
                return false;
            }
        }
    }

    Connection& connection_;
    const std::atomic<bool>& stopping_;
    Clock::time_point requestDeadline_;
    char buffer_[4096];
    std::size_t offset_ = 0;
    std::size_t filled_ = 0;
};

void send(httplib::Response& response, const Answer& answer) {
    response.status = answer.status;
    if (answer.status == 405) {
        response.set_header("Allow", "GET");
    }
    response.set_content(answer.body, "text/plain; charset=utf-8");
}

HttpRequest requestOf(const httplib::Request& request, const Connection& connection,
                      const std::string& realIp) {
    return {request.method, request.target, connection.peer,
            request.has_header("X-Real-IP") ? std::optional<std::string_view>(realIp)
                                            : std::nullopt,
            connection.throughFrontEnd};
}

// Makes way for a Unix socket at `path`: a socket that a server which did not stop cleanly
// left there is removed; a live one, or any other file, is left for the bind to fail on.
void removeStaleSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        throw std::runtime_error("cannot listen on " + path + ": not a usable socket path");
    }
    std::copy(path.begin(), path.end(), address.sun_path);
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) != 0 || !S_ISSOCK(existing.st_mode)) {
        return;
    }
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe >= 0 && ::connect(probe, reinterpret_cast<const sockaddr*>(&address),
                                sizeof address) != 0) {
        ::unlink(path.c_str());
    }
    if (probe >= 0) {
        ::close(probe);
    }
}

} // namespace

// The class below overrides httplib::Server's private virtual process_and_close_socket and
// calls its protected process_request: no public interface, so a new cpp-httplib may change
// what they do without a word. Written for Debian 12's 0.11.4; before accepting another
// version, read its Server::listen_internal and process_request and adjust the version here.
// (Its own connection handling times each read, not the request, and a stop waits for those
// read time-outs: HACKING.md says why the override stays.)
static_assert(std::string_view(CPPHTTPLIB_VERSION) == "0.11.4",
              "the account server's connection handling was written for cpp-httplib 0.11.4");

// cpp-httplib's server with connections of its own: cpp-httplib parses each request and the
// request handler answers it, but reading and writing the socket is done here, so that a
// stopping server need not wait for its connections' read time-outs.
class AccountServer::Http : public httplib::Server {
public:
    // On the front end's Unix socket (options.socketPath) every client comes through nginx.
    Http(RequestHandler& handler, console::Console& console, const ServerOptions& options)
        : handler_(handler), console_(console), options_(options),
          throughFrontEnd_(!options.socketPath.empty()) {
        // Every request goes to the request handler, whatever its method and path, but the
        // console's. A console form's body is read first, by the route below.
        set_pre_routing_handler([this](const httplib::Request& request,
                                       httplib::Response& response) {
            if (request.method == "POST" && console_.owns(decodedPath(request))) {
                return HandlerResponse::Unhandled;
            }
            answer(request, response);
            return HandlerResponse::Handled;
        });
        Post(".*", [this](const httplib::Request& request, httplib::Response& response) {
            answer(request, response);
        });
        // A console form is short; nginx allows it less still.
        set_payload_max_length(16 * 1024);
        // cpp-httplib refused the request line or the headers (an unknown method, a second
        // '?', a bad version, a target over 8 KiB): the reply still carries the failure text.
        set_error_handler(HandlerWithResponse(
            [this](const httplib::Request& request, httplib::Response& response) {
                Connection* connection = currentConnection;
                if (!connection || connection->handled) {
                    return HandlerResponse::Unhandled;
                }
                connection->handled = true;
                const std::string realIp = request.get_header_value("X-Real-IP");
                const bool otherMethod = !request.method.empty() && request.method != "GET";
                send(response, handler_.refuse(requestOf(request, *connection, realIp),
                                               otherMethod ? 405 : response.status));
                return HandlerResponse::Handled;
            }));
    }

    // Lets go of every connection whose answer has not begun.
    void stopConnections() { stopping_ = true; }

    static std::string decodedPath(const httplib::Request& request) {
        const std::string_view target = request.target;
        return percentDecoded(target.substr(0, target.find('?')), false).value_or("");
    }

    // The console's reply when the path is its own and it is there; else the game's.
    void answer(const httplib::Request& request, httplib::Response& response) {
        Connection& connection = *currentConnection;
        connection.handled = true;
        if (stopping_) {
            response.status = 503; // never written: the connection is let go
            return;
        }
        connection.answering = true;
        const std::string realIp = request.get_header_value("X-Real-IP");
        const HttpRequest game = requestOf(request, connection, realIp);
        if (const std::string path = decodedPath(request); console_.owns(path)) {
            const auto address = clientAddress(connection.peer,
                                               request.has_header("X-Real-IP") ? &realIp : nullptr,
                                               connection.throughFrontEnd);
            if (address) {
                const Client client{*address, limitKey(*address),
                                    options_.trusted.contains(*address)};
                auto reply = console_.handle(console::consoleRequestOf(
                    request, path, "/" + options_.consolePath, client, connection.throughFrontEnd));
                if (reply) {
                    console::writeConsoleReply(std::move(*reply), response);
                    return;
                }
            }
        }
        send(response, handler_.handle(game, Clock::now()));
    }

    // Answers one request on the connection and closes it.
    bool serve(socket_t socket, bool throughFrontEnd) {
        Connection connection;
        connection.socket = socket;
        connection.throughFrontEnd = throughFrontEnd;
        if (!stopping_) {
            const int yes = 1;
            setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            connection.peer = throughFrontEnd ? "local" : peerAddress(socket);
            ConnectionStream stream(connection, stopping_);
            currentConnection = &connection;
            bool closed = false;
            // One request per connection. A thread of the pool serves a connection for as
            // long as it stays open, and a game sends a request every few minutes at most:
            // kept-alive idle connections from a classroom of games would hold every thread.
            process_request(stream, true, closed, nullptr);
            currentConnection = nullptr;
        }
        ::shutdown(socket, SHUT_RDWR);
        ::close(socket);
        return true;
    }

private:
    bool process_and_close_socket(socket_t socket) override {
        return serve(socket, throughFrontEnd_);
    }

    RequestHandler& handler_;
    console::Console& console_;
    const ServerOptions& options_;
    const bool throughFrontEnd_;
    std::atomic<bool> stopping_{false};
};

namespace {

void logLine(const std::string& line) {
    static std::mutex logMutex;
    const std::lock_guard lock(logMutex);
    std::cerr << line << '\n';
}

} // namespace

AccountServer::AccountServer(ServerOptions options) : options_(std::move(options)) {
    store_ = std::make_unique<AccountStore>(options_.databasePath);
    school_ = std::make_unique<SchoolStore>(options_.databasePath);
    purgeUnseen();
    handler_ = std::make_unique<RequestHandler>(*store_, options_, logLine);
    const bool onSocket = !options_.socketPath.empty();
    console_ = std::make_unique<console::Console>(*school_, handler_->service(), options_, logLine);
    http_ = std::make_unique<Http>(*handler_, *console_, options_);

    const int threads = options_.threads > 0 ? options_.threads : 1;
    http_->new_task_queue = [threads] {
        return new httplib::ThreadPool(static_cast<size_t>(threads));
    };
    // cpp-httplib sets SO_REUSEPORT by default, which lets a second server share the
    // port and take half of the requests to another database. Only SO_REUSEADDR, so a
    // restart can take the port back at once.
    int listeningSocket = -1;
    http_->set_socket_options([&listeningSocket](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listeningSocket = socket;
    });

    if (onSocket) {
        const std::string& path = options_.socketPath;
        removeStaleSocket(path);
        // cpp-httplib's own Unix socket: the path in place of a host, the port unused.
        http_->set_address_family(AF_UNIX);
        if (!http_->bind_to_port(path, 1)) {
            throw std::runtime_error("cannot listen on " + path + ": " + std::strerror(errno));
        }
        socketBound_ = true;
        // Anyone who can reach the folder may connect: the folder is what keeps others out.
        if (::chmod(path.c_str(), 0666) != 0) {
            throw std::runtime_error("cannot listen on " + path + ": " + std::strerror(errno));
        }
    } else if (options_.port == 0) {
        port_ = http_->bind_to_any_port(options_.bindAddress);
    } else if (http_->bind_to_port(options_.bindAddress, options_.port)) {
        port_ = options_.port;
    } else {
        port_ = -1;
    }
    if (!onSocket && port_ <= 0) {
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
    {
        const std::lock_guard lock(retentionMutex_);
        retentionStop_ = true;
    }
    retentionWake_.notify_all();
    if (retention_.joinable()) {
        retention_.join();
    }
    if (socketBound_) {
        ::unlink(options_.socketPath.c_str());
    }
}

std::string AccountServer::url() const {
    if (!options_.socketPath.empty()) {
        return "unix:" + options_.socketPath;
    }
    const bool v6 = options_.bindAddress.find(':') != std::string::npos;
    const std::string host = v6 ? "[" + options_.bindAddress + "]" : options_.bindAddress;
    return "http://" + host + ":" + std::to_string(port_) + "/";
}

void AccountServer::purgeUnseen() {
    try {
        const std::int64_t cutoff =
            secondsNow() - static_cast<std::int64_t>(options_.retainDays) * 86400;
        const PurgeReport report = school_->purge(cutoff, false);
        if (!report.accounts.empty() || !report.students.empty()) {
            logLine("dovrix-account-server: retention: deleted " +
                    counted(report.accounts.size(), "account") + " and " +
                    counted(report.students.size(), "student") + " unseen for " +
                    counted(static_cast<std::size_t>(options_.retainDays), "day"));
        }
    } catch (const std::exception& error) {
        logLine("dovrix-account-server: retention: " + escapedForLog(error.what()));
    }
}

void AccountServer::keepRetention() {
    std::unique_lock lock(retentionMutex_);
    while (!retentionWake_.wait_for(lock, std::chrono::hours(24),
                                    [this] { return retentionStop_; })) {
        lock.unlock();
        purgeUnseen();
        lock.lock();
    }
}

void AccountServer::run() {
    if (!retention_.joinable()) {
        retention_ = std::thread([this] { keepRetention(); });
    }
    http_->listen_after_bind();
}

bool AccountServer::isRunning() const {
    return http_->is_running();
}

void AccountServer::stop() {
    if (http_) {
        http_->stopConnections();
        http_->stop();
    }
}

} // namespace dovrix::server
