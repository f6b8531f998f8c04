#include "local_http.h"

#include "number_text.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace dovrix::server {

std::optional<LocalReply> getOverSocket(const std::string& socketPath, const std::string& target,
                                        const std::string& clientAddress) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) {
        return std::nullopt;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        return std::nullopt;
    }
    const timeval wait{60, 0};
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string exchange = "GET " + target +
                           " HTTP/1.1\r\nHost: localhost\r\nX-Real-IP: " + clientAddress +
                           "\r\nConnection: close\r\n\r\n";
    bool sent =
        ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(socket, exchange.data(), exchange.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(exchange.size());
    exchange.clear();
    char buffer[4096];
    for (ssize_t got = 0; sent && (got = ::recv(socket, buffer, sizeof buffer, 0)) > 0;) {
        exchange.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(socket);
    // "HTTP/1.1 200 OK\r\n...\r\n\r\nbody": the server sends no chunks, and closes at the end.
    const std::size_t bodyStart = exchange.find("\r\n\r\n");
    if (!sent || !exchange.starts_with("HTTP/1.1 ") || bodyStart == std::string::npos) {
        return std::nullopt;
    }
    const auto status = wholeNumber(std::string_view(exchange).substr(9, 3));
    return LocalReply{status.value_or(0), exchange.substr(bodyStart + 4)};
}

} // namespace dovrix::server
