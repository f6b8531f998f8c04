#pragma once
// One blocking HTTP GET of a request to the account server: the caller waits for the whole
// body or a failure.

#include "server_requests.h"

#include <optional>
#include <string>

namespace dovrix {

class HttpGet {
public:
    virtual ~HttpGet() = default;
    // The response body as text, whatever the HTTP status (an error page is a body too), or
    // nullopt when the transfer failed: no connection, unknown host, time-out.
    virtual std::optional<std::string> get(const ServerRequest& request) = 0;
};

} // namespace dovrix
