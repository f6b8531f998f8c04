#pragma once
// Small HTTP servers for the replies a real account server would rarely give: canned bodies
// per request, a server that accepts connections but never answers, and a port where nothing
// listens.

#include "reserved_port.h"

#include <QTcpServer>

#include <httplib.h>

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dovrix::testing {

// Answers each request from a script keyed by path, or by path and "?o=" operation for the
// account requests; unscripted requests get 404. Records every request.
class ScriptedHttpServer {
public:
    ScriptedHttpServer() {
        server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            const std::lock_guard lock(mutex_);
            requests_.push_back(request);
            auto found = script_.find(request.path + "?o=" + request.get_param_value("o"));
            found = found == script_.end() ? script_.find(request.path) : found;
            const auto [status, body] = found == script_.end()
                                            ? std::pair(404, std::string("<html>Not Found</html>"))
                                            : found->second;
            response.status = status;
            response.set_content(body, "text/html");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (port_ > 0 && !server_.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~ScriptedHttpServer() {
        server_.stop();
        thread_.join();
    }

    // key: "/dovrix/pars", or "/dovrix/account?o=update" for one operation.
    void reply(const std::string& key, std::string body, int status = 200) {
        const std::lock_guard lock(mutex_);
        script_[key] = {status, std::move(body)};
    }

    std::vector<httplib::Request> requests() const {
        const std::lock_guard lock(mutex_);
        return requests_;
    }
    // The "o" of every account request, in order ("pars" for par list requests).
    std::vector<std::string> operations() const {
        std::vector<std::string> names;
        for (const httplib::Request& request : requests()) {
            names.push_back(request.has_param("o") ? request.get_param_value("o") : "pars");
        }
        return names;
    }
    // The levels of the updates sent, in order.
    std::vector<std::string> updates() const {
        std::vector<std::string> levels;
        for (const httplib::Request& request : requests()) {
            if (request.get_param_value("o") == "update") {
                levels.push_back(request.get_param_value("l"));
            }
        }
        return levels;
    }

    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::map<std::string, std::pair<int, std::string>> script_;
    std::vector<httplib::Request> requests_;
};

// A port that listens but never accepts: connections are made, no reply ever comes.
class SilentServer {
public:
    SilentServer() {
        server_.listen(QHostAddress::LocalHost);
        server_.pauseAccepting();
    }
    std::string url() const {
        return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + "/";
    }

private:
    QTcpServer server_;
};

// The URL of a loopback port that nothing listens on, held so for the whole test program.
inline std::string refusingUrl() {
    static const ReservedPort* refusing = new ReservedPort; // held until the program ends
    return "http://127.0.0.1:" + std::to_string(refusing->number()) + "/";
}

} // namespace dovrix::testing
