#pragma once
// A console request and its reply as the console sees them, without an HTTP library: the
// server's HTTP layer fills one and sends the other.

#include "password_gate.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dovrix::server::console {

// Decoded parameters; a name given twice keeps its first value.
using Parameters = std::map<std::string, std::string>;

struct ConsoleRequest {
    std::string method;
    // The path below the console's root ("/", "/classes/7b"), percent-decoded.
    std::string path;
    // The same path's parts between slashes, each decoded on its own (a name may hold "/").
    std::vector<std::string> segments;
    Parameters query;
    Parameters form; // a POST's url-encoded body
    std::string cookie;
    // The Origin, Host and Sec-Fetch-Site headers; empty when missing.
    std::string origin;
    std::string host;
    std::string fetchSite;
    // Through the front end, which speaks only TLS: the page's origin is https.
    bool secure = false;
    Client client;
};

// Writes one piece of a streamed body; false when the client went away.
using BodyWriter = std::function<bool(std::string_view)>;

struct ConsoleReply {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // When set, the body is streamed (chunked) by this instead.
    std::function<void(const BodyWriter&)> stream;
};

} // namespace dovrix::server::console
