#pragma once
// An HTTP GET over the account server's Unix socket, sent the way nginx forwards a game's
// request, with the client's address in X-Real-IP: for the tools and tests that stand in for
// the front end.

#include <optional>
#include <string>

namespace dovrix::server {

struct LocalReply {
    int status = 0;
    std::string body;
};

// The reply, or nullopt when the socket cannot be reached or no whole reply came in 60 s.
std::optional<LocalReply> getOverSocket(const std::string& socketPath, const std::string& target,
                                        const std::string& clientAddress);

} // namespace dovrix::server
