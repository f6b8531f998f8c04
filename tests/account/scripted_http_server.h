#pragma once
// Small HTTP servers for the replies a real account server would rarely give: canned bodies
// per request, a server that accepts connections but never answers, and a port where nothing
// listens.

#include <QTcpServer>

#include <httplib.h>

#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace dovrix::testing {

struct RecordedRequest {
    std::string path;
    std::multimap<std::string, std::string> query;

    std::string value(const std::string& name) const {
        const auto found = query.find(name);
        return found == query.end() ? std::string() : found->second;
    }
};

// Answers each request from a script keyed by path, or by path and "?o=" operation for the
// account requests; unscripted requests get 404. Records every request.
class ScriptedHttpServer {
public:
    ScriptedHttpServer() {
        server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            const std::lock_guard lock(mutex_);
            requests_.push_back({request.path, {request.params.begin(), request.params.end()}});
            auto found = script_.find(request.path + "?o=" + request.get_param_value("o"));
            if (found == script_.end()) {
                found = script_.find(request.path);
            }
            if (found == script_.end()) {
                response.status = 404;
                response.set_content("<html><body>Not Found</body></html>", "text/html");
                return;
            }
            response.status = found->second.first;
            response.set_content(found->second.second, "text/html");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        if (port_ <= 0) {
            throw std::runtime_error("cannot bind the scripted server");
        }
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) {
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

    std::vector<RecordedRequest> requests() const {
        const std::lock_guard lock(mutex_);
        return requests_;
    }
    // The "o" of every account request, in order ("pars" for par list requests).
    std::vector<std::string> operations() const {
        std::vector<std::string> names;
        for (const RecordedRequest& request : requests()) {
            names.push_back(request.query.count("o") ? request.value("o") : "pars");
        }
        return names;
    }
    // The levels of the updates sent, in order.
    std::vector<std::string> updates() const {
        std::vector<std::string> levels;
        for (const RecordedRequest& request : requests()) {
            if (request.value("o") == "update") {
                levels.push_back(request.value("l"));
            }
        }
        return levels;
    }

    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::map<std::string, std::pair<int, std::string>> script_;
    std::vector<RecordedRequest> requests_;
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

// The URL of a loopback port that nothing listens on.
inline std::string refusingUrl() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return "http://127.0.0.1:" + std::to_string(probe.serverPort()) + "/";
}

} // namespace dovrix::testing
