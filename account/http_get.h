#pragma once
// One blocking HTTP GET: the caller waits for the whole body or a failure.

#include <optional>
#include <string>

namespace dovrix {

class HttpGet {
public:
    virtual ~HttpGet() = default;
    // The response body as text, whatever the HTTP status (an error page is a body too), or
    // nullopt when the transfer failed: no connection, unknown host, time-out.
    virtual std::optional<std::string> get(const std::string& url) = 0;
};

} // namespace dovrix
