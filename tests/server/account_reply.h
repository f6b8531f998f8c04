#pragma once
// A request to the account server as a test writes it, and the texts its refusals carry.

#include "local_http.h"

#include <httplib.h>

#include <string>
#include <utility>

namespace dovrix::testing {

const std::string kInvalid = "Invalid Username and/or Password";
const std::string kCreating = "Error Creating Account";
const std::string kUpdating = "Error Updating Account";

// The status and body of a request for the target as written, unencoded (an account query
// when it does not start with '/'), with `client` in X-Real-IP as nginx names the client it
// forwards: over the server's Unix socket when `socket` names one (always a GET there), else
// to `port` on loopback.
inline std::pair<int, std::string> accountReply(int port, const std::string& socket,
                                                std::string target, const std::string& client,
                                                const std::string& method = "GET") {
    target = target.starts_with('/') ? target : "/dovrix/account?" + target;
    if (!socket.empty()) {
        const auto reply = server::getOverSocket(socket, target, client);
        return reply ? std::pair(reply->status, reply->body) : std::pair(0, "<no reply>");
    }
    httplib::Client connection("127.0.0.1", port);
    connection.set_url_encode(false);
    httplib::Request request;
    request.method = method;
    request.path = target;
    request.headers.emplace("X-Real-IP", client);
    const auto reply = connection.send(request);
    return reply ? std::pair(reply->status, reply->body) : std::pair(0, "<no reply>");
}

} // namespace dovrix::testing
