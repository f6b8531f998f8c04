#pragma once
// Every request the account server answers, from the request line to the reply: the client's
// address, the percent-decoding, the query, the routes and the service with its throttles.
// It knows no HTTP library: the server feeds it what cpp-httplib read, and it is deterministic
// but for the store and the time it is given.

#include "account_service.h"
#include "server_options.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace dovrix::server {

struct HttpRequest {
    std::string_view method;
    // The path and query as received, still percent-encoded.
    std::string_view target;
    // The connection's remote address ("local" through the front end's socket).
    std::string_view peer;
    // The X-Real-IP header, when there is one.
    std::optional<std::string_view> realIp;
    // Whether the connection came through the Unix socket that only the front end reaches:
    // only then does X-Real-IP name the client.
    bool throughFrontEnd = false;
};

class RequestHandler {
public:
    using Clock = std::chrono::steady_clock;
    // Receives each log line, without its newline. Lines hold no password and no control
    // character.
    using LogLine = std::function<void(const std::string&)>;

    // Reconciles the store's par list, as the server does when it starts.
    RequestHandler(AccountStore& store, const ServerOptions& options, LogLine log);

    // The reply; every failure carries the text its client reads as a failure. Writes one log
    // line per request with --log-requests, and one per unexpected error always.
    Answer handle(const HttpRequest& request, Clock::time_point now);
    // The reply to a request the HTTP layer could not read whole (an unknown method, a broken
    // request line): `status` with the failure text of whatever the target names. Changes
    // nothing.
    Answer refuse(const HttpRequest& request, int status);

    // The game's service, which the console shares the password hasher with.
    AccountService& service() { return service_; }

private:
    struct RequestSummary {
        std::string client;
        std::string path;
        std::string operation;
    };
    Answer answer(const HttpRequest& request, Clock::time_point now, RequestSummary& summary);
    // Finds the route and the operation of the target; the failure text, or nullopt with the
    // reply set when the path is unknown.
    std::optional<std::string> failureFor(std::string_view target, RequestSummary& summary,
                                          Answer& reply) const;
    void logRequest(const HttpRequest& request, const RequestSummary& summary,
                    const Answer& reply) const;

    ServerOptions options_;
    AccountService service_;
    LogLine log_;
};

// The text with control characters, backslashes and bytes outside ASCII written as escapes
// ("\n", "\\", "\xC3"), so a value can never start a new log line or pose as another.
std::string escapedForLog(std::string_view text);

// Percent-decoding of one path or query part; '+' stands for a blank in a query. nullopt when
// a '%' is not followed by two hexadecimal digits.
std::optional<std::string> percentDecoded(std::string_view text, bool plusIsBlank);

// The operation a query names, read leniently so that even a malformed request gets its
// operation's failure text: the first part that reads as "o=...".
std::string operationOf(std::string_view query);

// The parameters of a query ("a=1&b=2"). nullopt when it is malformed: an empty part, a part
// with no '=' or more than one, a name given twice, or a bad percent escape.
std::optional<QueryParameters> parseQuery(std::string_view query);

} // namespace dovrix::server
