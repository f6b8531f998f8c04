#pragma once
// The game's HTTP GET over Qt Network. The caller waits in a local event loop that excludes
// user input: windows keep painting, but no click or key reaches the game until the reply is
// in. Timers still fire, so the play window's tick checks isWaiting() and skips its work
// while a request runs.

#include "http_get.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QSslConfiguration>
#include <QUrl>

#include <chrono>

namespace dovrix {

// The URL of a request: its base and path, and its query with every value percent-encoded
// but for letters, digits and "-._~", so '&', '=', '+', '#', '%' and blanks in a name or a
// password reach the server as typed. Values are UTF-8, as every name and password the game
// holds is (the login box, the letter-case rules). Invalid when the base is no URL.
QUrl requestUrl(const ServerRequest& request);

class QtHttpGet : public QObject, public HttpGet {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{60000};

    explicit QtHttpGet(QObject* parent = nullptr);

    // The body whatever the HTTP status; nullopt when no complete reply came: no connection,
    // unknown host, a malformed URL, or no whole reply within the time-out.
    std::optional<std::string> get(const ServerRequest& request) override;

    // The most a request may take, from sending to the last byte of the reply.
    void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
    std::chrono::milliseconds timeout() const { return timeout_; }

    bool isWaiting() const { return waiting_ > 0; }

    // Trusts the authorities in a PEM file for https:// besides the system's. A file that
    // cannot be read adds none: a server they would vouch for then fails like any other
    // untrusted one.
    void trustAuthoritiesFrom(const std::string& pemFile);

signals:
    // True when a request starts, false when the last running one has ended.
    void waitingChanged(bool waiting);

private:
    QNetworkAccessManager manager_;
    std::chrono::milliseconds timeout_ = kDefaultTimeout;
    QSslConfiguration tls_ = QSslConfiguration::defaultConfiguration();
    int waiting_ = 0;
};

} // namespace dovrix
