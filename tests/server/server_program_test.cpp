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

// A child process with its standard output and error read through pipes.
class Process {
public:
    explicit Process(const std::vector<std::string>& arguments) {
        int out[2];
        int err[2];
        if (pipe(out) != 0 || pipe(err) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        std::vector<std::string> argv = {serverProgram()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> pointers;
        for (std::string& argument : argv) {
            pointers.push_back(argument.data());
        }
        pointers.push_back(nullptr);
        const int result =
            posix_spawn(&pid_, argv[0].c_str(), &actions, nullptr, pointers.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
        if (result != 0) {
            throw std::runtime_error("cannot start " + argv[0]);
        }
    }
    ~Process() {
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
        close(err_);
    }

    // One line of standard output, without its newline; empty on end of output or after 10 s.
    std::string readLine() {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd ready{out_, POLLIN, 0};
            if (poll(&ready, 1, 100) <= 0) {
                continue;
            }
            char c = 0;
            if (read(out_, &c, 1) != 1) {
                break;
            }
            if (c == '\n') {
                return line;
            }
            line.push_back(c);
        }
        return line;
    }

    std::string readAllErrors() {
        std::string text;
        char buffer[512];
        ssize_t n = 0;
        while ((n = read(err_, buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return text;
    }

    void signal(int number) { kill(pid_, number); }

    // The wait status once the process has ended (at most 10 s).
    int wait() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!status_ && std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = status;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (!status_) {
            ADD_FAILURE() << "the server did not end";
            kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
            status_ = status;
        }
        return *status_;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
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
        const int rivalStatus = rival.wait();
        EXPECT_TRUE(WIFEXITED(rivalStatus) && WEXITSTATUS(rivalStatus) == 1);
        EXPECT_NE(rival.readAllErrors().find("cannot listen"), std::string::npos);

        server.signal(stopSignal);
        const int status = server.wait();
        EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}

TEST(ServerProgram, ImportsStudentsFromACsvFile) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    std::ofstream(folder.file("students.csv")) << "jo.park,first pass\nli.chen,second\n";
    {
        Process import({"import-students", folder.file("students.csv"), "--db", database});
        EXPECT_EQ(import.readLine(), "imported 2 students into " + database);
        const int status = import.wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    {
        std::ofstream(folder.file("broken.csv")) << "jo.park\n";
        Process import({"import-students", folder.file("broken.csv"), "--db", database});
        const int status = import.wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
        EXPECT_NE(import.readAllErrors().find("line 1"), std::string::npos);
    }
    Process server({"--port", "0", "--db", database});
    const int port = announcedPort(server);
    EXPECT_EQ(request(port, "/dovrix/account?o=vorna&u=jo.park&p=first%20pass"), "Success");
    EXPECT_EQ(request(port, "/dovrix/account?o=vorna&u=li.chen&p=wrong"),
              "Invalid Username and/or Password");
    server.signal(SIGTERM);
    server.wait();
}

TEST(ServerProgram, RefusesUnknownArguments) {
    Process server({"--port", "eighty"});
    const int status = server.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
    EXPECT_NE(server.readAllErrors().find("Usage:"), std::string::npos);
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
        const int status = server.wait();
        EXPECT_TRUE(WIFSIGNALED(status));
    }
    Process server({"--port", "0", "--db", database});
    const int port = announcedPort(server);
    for (int player = 0; player < kPlayers; ++player) {
        const std::string level =
            request(port, "/dovrix/account?o=qel&u=p" + std::to_string(player) + "&p=");
        EXPECT_GE(std::atoi(level.c_str()), confirmed[static_cast<std::size_t>(player)].load())
            << "player " << player;
    }
    server.signal(SIGTERM);
    server.wait();
}

} // namespace
} // namespace dovrix::testing
