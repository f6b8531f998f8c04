#pragma once
// A TCP port held for as long as the object lives: a socket bound to it on every address,
// never listening. Connections to it are refused, and the kernel hands it to no socket that
// asks for a free port, so no other test can take it between choosing and binding. A server
// told its number may still listen on it: servers set SO_REUSEADDR (nginx, Qt and
// cpp-httplib do), which lets a second socket bind beside one that does not listen.

#include <QTcpSocket>

namespace dovrix::testing {

class ReservedPort {
public:
    ReservedPort() {
        // SO_REUSEADDR on Unix, on IPv6 and IPv4 both where the machine has IPv6.
        socket_.bind(QHostAddress::Any, 0,
                     QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
    }
    int number() const { return socket_.localPort(); }

private:
    QTcpSocket socket_;
};

} // namespace dovrix::testing
