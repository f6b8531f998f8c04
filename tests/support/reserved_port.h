#pragma once
// A TCP port held for as long as the object lives: a socket bound to it on every address,
// never listening. Connections to it are refused, and the kernel hands it to no socket that
// asks for a free port, so no other test can take it between choosing and binding. A server
// told its number may still listen on it: servers set SO_REUSEADDR (nginx, Qt and
// cpp-httplib do), which lets a second socket bind beside one that does not listen.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace dovrix::testing {

class ReservedPort {
public:
    ReservedPort() {
        // IPv6 with IPv4 beside it, or IPv4 alone on a machine without IPv6.
        sockaddr_storage address{};
        const int yes = 1, no = 0;
        fd_ = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool v6 =
            fd_ >= 0 && ::setsockopt(fd_, IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof no) == 0;
        if (!v6) {
            ::close(fd_);
            fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        }
        address.ss_family = v6 ? AF_INET6 : AF_INET;
        auto* raw = reinterpret_cast<sockaddr*>(&address);
        socklen_t length = v6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        if (::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
            ::bind(fd_, raw, length) != 0 || ::getsockname(fd_, raw, &length) != 0) {
            throw std::runtime_error("no port to reserve");
        }
        // Both families keep the port in the same place, after the family.
        number_ = ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    }
    ~ReservedPort() { ::close(fd_); }
    ReservedPort(const ReservedPort&) = delete;
    ReservedPort& operator=(const ReservedPort&) = delete;

    int number() const { return number_; }

private:
    int fd_ = -1;
    int number_ = 0;
};

} // namespace dovrix::testing
