// The dovrix-account-server program as a deployment runs it: its own process, its command
// line, its first line of output, its signals.

#include "temp_folder.h"

#include <QProcess>

#include <gtest/gtest.h>
#include <httplib.h>
#include <sqlite3.h>

#include <atomic>
#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace dovrix::testing {
namespace {

// The program in a child process, killed if it is still running at the end.
class Program : public QProcess {
public:
    explicit Program(const std::vector<std::string>& arguments) {
        QStringList list;
        for (const std::string& argument : arguments) {
            list << QString::fromStdString(argument);
        }
        start(qEnvironmentVariable("DOVRIX_ACCOUNT_SERVER", "dovrix-account-server"), list);
        EXPECT_TRUE(waitForStarted()) << errorString().toStdString();
    }
    ~Program() override {
        kill();
        waitForFinished();
    }
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
    void signal(int number) { ::kill(static_cast<pid_t>(processId()), number); }
};

// Starts the server on a free port; the port it announced.
int announcedPort(Program& server) {
    const std::string line = server.firstLine();
    std::smatch match;
    if (!std::regex_match(line, match, std::regex(R"(listening on http://127\.0\.0\.1:(\d+)/)"))) {
        ADD_FAILURE() << "first line was \"" << line << "\"";
        return 0;
    }
    return std::stoi(match[1]);
}

// The status and body of a GET of the target as written.
std::pair<int, std::string> fetch(int port, const std::string& target,
                                  const httplib::Headers& headers = {}) {
    httplib::Client client("127.0.0.1", port);
    client.set_url_encode(false);
    const auto result = client.Get(target.c_str(), headers);
    return result ? std::pair(result->status, result->body) : std::pair(0, "<no reply>");
}

std::string request(int port, const std::string& target, const httplib::Headers& headers = {}) {
    return fetch(port, target, headers).second;
}

// A connection to the server that sends `text`, a request that never ends, and stays open.
class HangingClient {
public:
    HangingClient(int port, const std::string& text) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::send(socket_, text.data(), text.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(text.size()));
    }
    ~HangingClient() { ::close(socket_); }

private:
    int socket_;
};

TEST(ServerProgram, AnnouncesItsAddressAndStopsCleanlyOnSignals) {
    TempFolder folder;
    for (const int stopSignal : {SIGTERM, SIGINT}) {
        Program server({"--port", "0", "--db", folder.file("accounts.sqlite")});
        const int port = announcedPort(server);
        ASSERT_GT(port, 0);
        EXPECT_EQ(request(port, "/dovrix/account?o=qel&u=pat&p="),
                  stopSignal == SIGTERM ? "1" : "2");
        EXPECT_EQ(request(port, "/dovrix/account?o=update&u=pat&p=&l=2"), "OK");

        // A second server cannot take a port in use, and says so.
        Program rival({"--port", std::to_string(port), "--db", folder.file("other.sqlite")});
        EXPECT_EQ(rival.exitCodeAtEnd(), 1);
        EXPECT_NE(rival.errors().find("cannot listen"), std::string::npos);

        server.signal(stopSignal);
        EXPECT_EQ(server.exitCodeAtEnd(), 0);
    }
}

// Behind nginx, the school network is recognised by the address nginx passes on, never by the
// loopback address the requests arrive from.
TEST(ServerProgram, BelievesTheForwardedAddressOnlyFromATrustedProxy) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    const std::string qel = "/dovrix/account?o=qel&u=pat.kim&p=";
    const std::string invalid = "Invalid Username and/or Password";
    struct Case {
        std::vector<std::string> proxies;
        httplib::Headers headers;
        std::string reply;
    };
    const std::vector<std::string> behindNginx = {"--trusted-proxy", "127.0.0.1"};
    const std::vector<Case> cases = {
        {behindNginx, {{"X-Real-IP", "10.1.2.3"}}, "1"},
        {behindNginx, {{"X-Real-IP", "::ffff:10.1.2.3"}}, "1"},
        {behindNginx, {{"X-Real-IP", "203.0.113.9"}}, invalid},
        {behindNginx, {}, "Error Creating Account"},
        {behindNginx, {{"X-Real-IP", "10.1.2.3, 10.4.5.6"}}, "Error Creating Account"},
        {behindNginx, {{"X-Real-IP", "school"}}, "Error Creating Account"},
        // From anyone else the header is only text: the connection's address counts.
        {{"--trusted-proxy", "10.9.9.9"}, {{"X-Real-IP", "10.1.2.3"}}, invalid},
        {{}, {{"X-Real-IP", "10.1.2.3"}}, invalid},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"--port", "0",       "--db",
                                              database, "--trust", "10.0.0.0/8"};
        arguments.insert(arguments.end(), c.proxies.begin(), c.proxies.end());
        Program server(arguments);
        const int port = announcedPort(server);
        const std::string header = c.headers.empty() ? "none" : c.headers.begin()->second;
        EXPECT_EQ(request(port, qel, c.headers), c.reply) << header;
    }
}

// Idle connections and requests that never finish arriving do not keep a stopping server
// alive.
TEST(ServerProgram, StopsWithinThreeSecondsWhateverItsConnectionsDo) {
    TempFolder folder;
    Program server({"--port", "0", "--db", folder.file("accounts.sqlite"), "--threads", "8"});
    const int port = announcedPort(server);
    std::vector<std::unique_ptr<HangingClient>> clients;
    for (const char* text : {"", "", "", "G", "GET /dovrix/account?o=qel&u=pat&p= HTTP/1.1\r\nX-",
                             "GET /dovrix/pars HTTP/1.1\r\n"}) {
        clients.push_back(std::make_unique<HangingClient>(port, text));
    }
    // Answered after the others are taken in: they were accepted first.
    EXPECT_EQ(request(port, "/dovrix/account?o=qel&u=pat&p="), "1");
    server.signal(SIGTERM);
    EXPECT_TRUE(server.waitForFinished(3000)) << "still running 3 s after SIGTERM";
    EXPECT_EQ(server.exitCodeAtEnd(), 0);
}

// A store error (here another program holding the database's write lock longer than the
// server waits) answers with the failure text each operation's client knows.
TEST(ServerProgram, AnswersStoreErrorsWithEachOperationsFailureText) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    Program server({"--port", "0", "--db", database});
    const int port = announcedPort(server);
    ASSERT_EQ(request(port, "/dovrix/account?o=qel&u=pat&p="), "1");
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {"/dovrix/account?o=update&u=pat&p=&l=5", 500, "Error Updating Account"},
        {"/dovrix/account?o=qel&u=new.pupil&p=", 500, "Error Creating Account"},
        {"/dovrix/account?o=create&u=bob&p=pw", 500, "Error Creating Account"},
        {"/dovrix/pars?Level=87&Moves=17&Par=19", 500, "Ignored"},
    };
    for (const auto& [target, status, body] : cases) {
        EXPECT_EQ(fetch(port, target), std::pair(status, body)) << target;
    }
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(request(port, "/dovrix/account?o=qel&u=pat&p="), "1");
    EXPECT_EQ(request(port, "/dovrix/account?o=login&u=bob&p=pw"),
              "Invalid Username and/or Password");
}

// --log-requests writes one line per request, whatever the request holds, and no password.
TEST(ServerProgram, LogsEveryRequestOnItsOwnLineWithoutPasswords) {
    TempFolder folder;
    Program server({"--port", "0", "--db", folder.file("accounts.sqlite"), "--log-requests"});
    const int port = announcedPort(server);
    for (const char* target :
         {"/dovrix/account?o=create%0A127.0.0.1%20GET&u=m&p=hunter2",
          "/dovrix/account%0D%0A127.0.0.1?o=login&u=m&p=hunter2",
          "/dovrix/account?o=create\\n&u=m&p=hunter2", "/dovrix/account?o=create&u=m&p=hunter2"}) {
        request(port, target);
    }
    server.signal(SIGTERM);
    EXPECT_EQ(server.exitCodeAtEnd(), 0);
    const std::string log = server.errors();
    EXPECT_EQ(log.find("hunter2"), std::string::npos) << log;
    std::istringstream lines(log);
    std::vector<std::string> requests;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("127.0.0.1 ")) {
            requests.push_back(line);
        }
    }
    EXPECT_EQ(requests, (std::vector<std::string>{
                            "127.0.0.1 GET /dovrix/account o=create\\n127.0.0.1 GET 400",
                            "127.0.0.1 GET /dovrix/account\\r\\n127.0.0.1 o= 404",
                            "127.0.0.1 GET /dovrix/account o=create\\\\n 400",
                            "127.0.0.1 GET /dovrix/account o=create 200",
                        }))
        << log;
}

TEST(ServerProgram, ImportsStudentsFromACsvFile) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    std::ofstream(folder.file("students.csv")) << "jo.park,first pass\nli.chen,second\n";
    {
        Program import({"import-students", folder.file("students.csv"), "--db", database});
        EXPECT_EQ(import.firstLine(), "imported 2 students into " + database);
        EXPECT_EQ(import.exitCodeAtEnd(), 0);
    }
    {
        std::ofstream(folder.file("broken.csv")) << "jo.park\n";
        Program import({"import-students", folder.file("broken.csv"), "--db", database});
        EXPECT_EQ(import.exitCodeAtEnd(), 1);
        EXPECT_NE(import.errors().find("line 1"), std::string::npos);
    }
    Program server({"--port", "0", "--db", database});
    const int port = announcedPort(server);
    EXPECT_EQ(request(port, "/dovrix/account?o=vorna&u=jo.park&p=first%20pass"), "Success");
    EXPECT_EQ(request(port, "/dovrix/account?o=vorna&u=li.chen&p=wrong"),
              "Invalid Username and/or Password");
}

TEST(ServerProgram, RefusesUnknownArguments) {
    Program server({"--port", "eighty"});
    EXPECT_EQ(server.exitCodeAtEnd(), 2);
    EXPECT_NE(server.errors().find("Usage:"), std::string::npos);
}

// Killed without warning in the middle of a stream of updates, the server loses none that it
// had confirmed, and its database opens again.
TEST(ServerProgram, KeepsEveryConfirmedUpdateThroughKillNine) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    constexpr int kPlayers = 4;
    std::array<std::atomic<int>, kPlayers> confirmed{};
    {
        Program server({"--port", "0", "--db", database});
        const int port = announcedPort(server);
        for (int player = 0; player < kPlayers; ++player) {
            ASSERT_EQ(request(port, "/dovrix/account?o=qel&u=p" + std::to_string(player) + "&p="),
                      "1");
        }
        std::atomic<int> total{0};
        std::atomic<int> done{0};
        std::vector<std::thread> players;
        for (int player = 0; player < kPlayers; ++player) {
            players.emplace_back([&, player] {
                httplib::Client client("127.0.0.1", port);
                for (int level = 2; level <= 101; ++level) {
                    const auto reply =
                        client.Get(("/dovrix/account?o=update&u=p" + std::to_string(player) +
                                    "&p=&l=" + std::to_string(level))
                                       .c_str());
                    if (!reply || reply->body != "OK") {
                        break;
                    }
                    confirmed[static_cast<std::size_t>(player)] = level;
                    ++total;
                }
                ++done;
            });
        }
        // Kill it mid-stream: after 100 of the 400 updates are confirmed.
        while (total < 100 && done < kPlayers) {
            std::this_thread::yield();
        }
        server.signal(SIGKILL);
        for (std::thread& player : players) {
            player.join();
        }
        EXPECT_EQ(server.exitCodeAtEnd(), -1);
    }
    Program server({"--port", "0", "--db", database});
    const int port = announcedPort(server);
    for (int player = 0; player < kPlayers; ++player) {
        const std::string level =
            request(port, "/dovrix/account?o=qel&u=p" + std::to_string(player) + "&p=");
        EXPECT_GE(std::atoi(level.c_str()), confirmed[static_cast<std::size_t>(player)].load())
            << "player " << player;
    }
}

} // namespace
} // namespace dovrix::testing
