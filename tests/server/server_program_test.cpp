// The dovrix-account-server program as a deployment runs it: its own process, its command
// line, its first line of output, its signals.

#include "temp_folder.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace dovrix::testing {
namespace {

std::string serverProgram() {
    const char* path = std::getenv("DOVRIX_ACCOUNT_SERVER");
    return path ? path : "dovrix-account-server";
}

// The server program in a child process: its standard output read through a pipe, its
// standard error kept in a file.
class Process {
public:
    explicit Process(std::vector<std::string> arguments) {
        int out[2];
        if (pipe(out) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, folder_.file("errors").c_str(),
                                         O_WRONLY | O_CREAT, 0600);
        arguments.insert(arguments.begin(), serverProgram());
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        const int result = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        out_ = out[0];
        if (result != 0) {
            throw std::runtime_error("cannot start " + arguments[0]);
        }
    }
    ~Process() {
        if (!status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
    }

    // One line of standard output, without its newline; empty on end of output or after 10 s.
    std::string readLine() {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        char c = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd ready{out_, POLLIN, 0};
            if (poll(&ready, 1, 100) <= 0) {
                continue;
            }
            if (read(out_, &c, 1) != 1 || c == '\n') {
                break;
            }
            line.push_back(c);
        }
        return line;
    }
    std::string errors() const {
        std::ifstream file(folder_.file("errors"));
        return {std::istreambuf_iterator<char>(file), {}};
    }

    void signal(int number) { kill(pid_, number); }

    // The wait status once the process has ended (at most 10 s).
    int wait() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        int status = 0;
        while (!status_ && std::chrono::steady_clock::now() < deadline) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (!status_) {
            ADD_FAILURE() << "the server did not end";
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            status_ = status;
        }
        return *status_;
    }
    // The exit code once the process has ended; -1 when a signal ended it.
    int exitCode() {
        const int status = wait();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    TempFolder folder_;
    pid_t pid_ = -1;
    int out_ = -1;
    std::optional<int> status_;
};

// Starts the server on a free port; the port it announced.
int announcedPort(Process& server) {
    const std::string line = server.readLine();
    std::smatch match;
    const std::regex announcement(R"(listening on http://127\.0\.0\.1:(\d+)/)");
    if (!std::regex_match(line, match, announcement)) {
        ADD_FAILURE() << "first line was \"" << line << "\"";
        return 0;
    }
    return std::stoi(match[1]);
}

std::string request(int port, const std::string& target) {
    httplib::Client client("127.0.0.1", port);
    const auto result = client.Get(target.c_str());
    return result ? result->body : "<no reply>";
}

TEST(ServerProgram, AnnouncesItsAddressAndStopsCleanlyOnSignals) {
    TempFolder folder;
    for (const int stopSignal : {SIGTERM, SIGINT}) {
        Process server({"--port", "0", "--db", folder.file("accounts.sqlite")});
        const int port = announcedPort(server);
        ASSERT_GT(port, 0);
        EXPECT_EQ(request(port, "/dovrix/account?o=qel&u=pat&p="),
                  stopSignal == SIGTERM ? "1" : "2");
        EXPECT_EQ(request(port, "/dovrix/account?o=update&u=pat&p=&l=2"), "OK");

        // A second server cannot take a port in use, and says so.
        Process rival({"--port", std::to_string(port), "--db", folder.file("other.sqlite")});
        EXPECT_EQ(rival.exitCode(), 1);
        EXPECT_NE(rival.errors().find("cannot listen"), std::string::npos);

        server.signal(stopSignal);
        EXPECT_EQ(server.exitCode(), 0);
    }
}

TEST(ServerProgram, ImportsStudentsFromACsvFile) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    std::ofstream(folder.file("students.csv")) << "jo.park,first pass\nli.chen,second\n";
    {
        Process import({"import-students", folder.file("students.csv"), "--db", database});
        EXPECT_EQ(import.readLine(), "imported 2 students into " + database);
        EXPECT_EQ(import.exitCode(), 0);
    }
    {
        std::ofstream(folder.file("broken.csv")) << "jo.park\n";
        Process import({"import-students", folder.file("broken.csv"), "--db", database});
        EXPECT_EQ(import.exitCode(), 1);
        EXPECT_NE(import.errors().find("line 1"), std::string::npos);
    }
    Process server({"--port", "0", "--db", database});
    const int port = announcedPort(server);
    EXPECT_EQ(request(port, "/dovrix/account?o=vorna&u=jo.park&p=first%20pass"), "Success");
    EXPECT_EQ(request(port, "/dovrix/account?o=vorna&u=li.chen&p=wrong"),
              "Invalid Username and/or Password");
}

TEST(ServerProgram, RefusesUnknownArguments) {
    Process server({"--port", "eighty"});
    EXPECT_EQ(server.exitCode(), 2);
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
        Process server({"--port", "0", "--db", database});
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
        EXPECT_EQ(server.exitCode(), -1);
    }
    Process server({"--port", "0", "--db", database});
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
