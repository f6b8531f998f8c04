#pragma once
// The account service as a school runs it on the network: scripts/serve (nginx with TLS in
// front of the account server) in its own process, with an authority and a certificate for
// 127.0.0.1 made by openssl in a temporary folder that the system does not trust.
// Needs DOVRIX_SERVE_SCRIPT and DOVRIX_ACCOUNT_SERVER (the program's path) defined.

#include "account_store.h"
#include "reserved_port.h"
#include "temp_folder.h"

#include <QProcess>

#include <chrono>
#include <csignal>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace dovrix::testing {

class ServedStack {
public:
    // `trust`: the school network's ranges, one --trust each.
    explicit ServedStack(const std::vector<std::string>& trust = {}) {
        makeCertificates();
        // nginx listens on every address, on a port held for it until the stack ends.
        QStringList arguments{"--port",     QString::number(port()),
                              "--db",       QString::fromStdString(database()),
                              "--tls-cert", QString::fromStdString(folder_.file("server.pem")),
                              "--tls-key",  QString::fromStdString(folder_.file("server.key")),
                              "--server",   QStringLiteral(DOVRIX_ACCOUNT_SERVER)};
        for (const std::string& range : trust) {
            arguments << "--trust" << QString::fromStdString(range);
        }
        serve_.start(QStringLiteral(DOVRIX_SERVE_SCRIPT), arguments);
        while (!serve_.canReadLine() && serve_.waitForReadyRead(30000)) {
        }
        firstLine_ = serve_.readLine().trimmed().toStdString();
    }
    ~ServedStack() { stop(); }
    ServedStack(const ServedStack&) = delete;
    ServedStack& operator=(const ServedStack&) = delete;

    // The script's first line; "listening on " + url() when the stack is up.
    const std::string& firstLine() const { return firstLine_; }
    std::string url() const { return "https://127.0.0.1:" + std::to_string(port()) + "/"; }
    int port() const { return port_.number(); }
    std::string authorityFile() const { return folder_.file("server.pem"); }
    std::string database() const { return folder_.file("accounts.sqlite"); }
    std::string errors() { return serve_.readAllStandardError().toStdString(); }
    qint64 scriptPid() const { return serve_.processId(); }
    // The script's exit code once it has ended by itself within `ms`; nullopt if it has not.
    std::optional<int> exitCodeWithin(int ms) {
        if (!serve_.waitForFinished(ms) || serve_.exitStatus() != QProcess::NormalExit) {
            return std::nullopt;
        }
        return serve_.exitCode();
    }

    // SIGTERM to the script: how long it took to end, or nullopt when it had not ended
    // after 10 s (it is then killed).
    std::optional<std::chrono::milliseconds> stop() {
        if (serve_.state() == QProcess::NotRunning) {
            return std::chrono::milliseconds(0);
        }
        const auto start = std::chrono::steady_clock::now();
        ::kill(static_cast<pid_t>(serve_.processId()), SIGTERM);
        if (!serve_.waitForFinished(10000)) {
            serve_.kill();
            serve_.waitForFinished();
            return std::nullopt;
        }
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
    }

    // The level the account server stored for the account, read from its database.
    std::optional<int> storedLevel(const std::string& userKey) const {
        const auto account = server::AccountStore(database()).findAccount(userKey);
        return account ? std::optional<int>(account->level) : std::nullopt;
    }

private:
    void openssl(const QStringList& arguments) {
        QProcess tool;
        tool.setWorkingDirectory(QString::fromStdString(folder_.path().string()));
        tool.start("openssl", arguments);
        if (!tool.waitForFinished(30000) || tool.exitCode() != 0) {
            throw std::runtime_error("openssl " + arguments.join(' ').toStdString() + ": " +
                                     tool.readAllStandardError().toStdString());
        }
    }
    // One certificate for 127.0.0.1 that signs itself: the server's, and the authority the
    // tests trust.
    void makeCertificates() {
        openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                 "-keyout", "server.key", "-out", "server.pem", "-days", "2", "-subj",
                 "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"});
    }

    TempFolder folder_;
    ReservedPort port_;
    QProcess serve_;
    std::string firstLine_;
};

} // namespace dovrix::testing
