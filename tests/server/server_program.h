#pragma once
// The dovrix-account-server program in a child process, as a deployment runs it: its command
// line, its first line of output, its signals, its replies over loopback or its Unix socket.
// Needs DOVRIX_ACCOUNT_SERVER (the program's path) in the environment.

#include "account_reply.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dovrix::testing {

// The program in a child process, killed if it is still running at the end.
class Program : public QProcess {
public:
    // `input`, when given, is written to its standard input, which is then closed.
    explicit Program(const std::vector<std::string>& arguments,
                     const std::optional<std::string>& input = std::nullopt,
                     const QProcessEnvironment& environment =
                         QProcessEnvironment::systemEnvironment()) {
        setProcessEnvironment(environment);
        QStringList list;
        std::ranges::transform(arguments, std::back_inserter(list), &QString::fromStdString);
        start(qEnvironmentVariable("DOVRIX_ACCOUNT_SERVER", "dovrix-account-server"), list);
        EXPECT_TRUE(waitForStarted()) << errorString().toStdString();
        if (input) {
            write(input->data(), static_cast<qint64>(input->size()));
            closeWriteChannel();
        }
    }
    ~Program() override { kill(), waitForFinished(); }
    // The exit code once the program has ended (at most 10 s); -1 when a signal ended it.
    int exitCodeAtEnd() {
        EXPECT_TRUE(state() == NotRunning || waitForFinished(10000)) << "the server did not end";
        return exitStatus() == NormalExit ? exitCode() : -1;
    }
    std::string firstLine() {
        while (!canReadLine() && waitForReadyRead(10000)) {
        }
        return readLine().trimmed().toStdString();
    }
    std::string errors() { return readAllStandardError().toStdString(); }
    std::string output() { return readAllStandardOutput().toStdString(); }
    void signal(int number) { ::kill(static_cast<pid_t>(processId()), number); }
};

// The server serving `database` on a free port, `more` arguments after the database; `port`
// is the one it announced on its first line.
class Server : public Program {
public:
    // Without a database, `more` alone (a configuration file, say).
    explicit Server(const std::string& database, std::vector<std::string> more = {},
                    const QProcessEnvironment& environment =
                        QProcessEnvironment::systemEnvironment())
        : Program(
              [&] {
                  if (!database.empty()) {
                      more.insert(more.begin(), {"--port", "0", "--db", database});
                  }
                  return more;
              }(),
              std::nullopt, environment) {
        const std::string prefix = "listening on http://127.0.0.1:", line = firstLine();
        if (line.starts_with("listening on unix:")) {
            socket = line.substr(18);
            return;
        }
        port = line.starts_with(prefix) ? std::atoi(&line[prefix.size()]) : 0;
        EXPECT_EQ(line, prefix + std::to_string(port) + "/");
    }
    // The status and body of a GET (see accountReply), over the socket when it listens on one.
    std::pair<int, std::string> fetch(const std::string& target,
                                      const std::string& client = "127.0.0.1") {
        return accountReply(port, socket, target, client);
    }
    std::string get(const std::string& target, const std::string& client = "127.0.0.1") {
        return fetch(target, client).second;
    }
    int port = 0;
    std::string socket; // when it listens on one
};

} // namespace dovrix::testing
