// dovrix-server-load: drives the account server over loopback with concurrent requests and
// prints requests per second and latencies per kind of request.
//
//   dovrix-server-load [--server PATH] [--accounts N] [--clients N] [--updates N]
//
// It starts the real server program on a free port with a fresh database, creates the
// accounts, restarts the server (so no password is remembered) and measures first logins,
// then progress updates of logged-in accounts, then repeated logins, then updates while other
// clients create accounts as fast as they can. Afterwards it reads the
// database itself: every account must hold the highest level it was sent.

#include "bench_support.h"
#include "stored_levels.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using dovrix::bench::lostUpdates;
using dovrix::bench::percentile;
using dovrix::bench::readOptions;
using Clock = std::chrono::steady_clock;

struct Settings {
    std::string server = DOVRIX_ACCOUNT_SERVER_PATH;
    int accounts = 64;
    int clients = 8;
    int updatesPerAccount = 300;
};

// The server program, started with --port 0; stopped with SIGTERM.
class ServerProcess {
public:
    ServerProcess(const std::string& program, const std::string& database) {
        int out[2];
        if (pipe(out) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> arguments = {program, "--port", "0", "--db", database};
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            throw std::runtime_error("cannot start " + program);
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        std::string line;
        char c = 0;
        while (read(out[0], &c, 1) == 1 && c != '\n') {
            line.push_back(c);
        }
        close(out[0]);
        const std::string prefix = "listening on http://127.0.0.1:";
        if (line.rfind(prefix, 0) != 0) {
            throw std::runtime_error("unexpected first line: " + line);
        }
        port_ = std::stoi(line.substr(prefix.size()));
    }
    ~ServerProcess() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    int port() const { return port_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

struct Phase {
    std::string name;
    int clients = 0;
    std::size_t requests = 0;
    std::size_t errors = 0;
    double seconds = 0;
    std::vector<double> latenciesMs;
};

// Runs the targets on `clients` threads, each with its own keep-alive connection; a reply
// counts as good when `good` says so.
Phase drive(const std::string& name, int port, int clients,
            const std::vector<std::vector<std::string>>& targetsPerClient,
            const std::function<bool(const std::string& target, const std::string& body)>& good) {
    Phase phase;
    phase.name = name;
    phase.clients = clients;
    std::vector<std::vector<double>> latencies(static_cast<std::size_t>(clients));
    std::atomic<std::size_t> errors{0};
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            // Each client from an address of its own, as players are: the server limits new
            // accounts per address.
            client.set_interface("127.0.1." + std::to_string(c + 1));
            client.set_keep_alive(true);
            // The game waits up to 60 s for a reply; Argon2id logins queue for the cores.
            client.set_read_timeout(60, 0);
            auto& mine = latencies[static_cast<std::size_t>(c)];
            for (const std::string& target : targetsPerClient[static_cast<std::size_t>(c)]) {
                const auto sent = Clock::now();
                const auto reply = client.Get(target.c_str());
                mine.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
                if (!reply || reply->status != 200 || !good(target, reply->body)) {
                    ++errors;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    phase.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (const auto& some : latencies) {
        phase.latenciesMs.insert(phase.latenciesMs.end(), some.begin(), some.end());
    }
    phase.requests = phase.latenciesMs.size();
    phase.errors = errors;
    return phase;
}

std::string userName(int account) {
    return "player" + std::to_string(account);
}
std::string password(int account) {
    return "pass word&" + std::to_string(account * 7919);
}
std::string encoded(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            out.push_back(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            out += hex;
        }
    }
    return out;
}
std::string accountTarget(const std::string& operation, int account) {
    return "/dovrix/account?o=" + operation + "&u=" + userName(account) +
           "&p=" + encoded(password(account));
}

// Splits the accounts' requests over the clients, round robin, so that consecutive requests
// of one client belong to different accounts.
std::vector<std::vector<std::string>> spread(const std::vector<std::string>& targets, int clients) {
    std::vector<std::vector<std::string>> perClient(static_cast<std::size_t>(clients));
    for (std::size_t i = 0; i < targets.size(); ++i) {
        perClient[i % static_cast<std::size_t>(clients)].push_back(targets[i]);
    }
    return perClient;
}

void printTable(const std::vector<Phase>& phases) {
    std::printf("| %-28s | %8s | %7s | %9s | %8s | %8s | %6s |\n", "request", "requests", "clients",
                "req/s", "p50 ms", "p99 ms", "errors");
    std::printf("|%s|%s|%s|%s|%s|%s|%s|\n", std::string(30, '-').c_str(),
                std::string(10, '-').c_str(), std::string(9, '-').c_str(),
                std::string(11, '-').c_str(), std::string(10, '-').c_str(),
                std::string(10, '-').c_str(), std::string(8, '-').c_str());
    for (const Phase& phase : phases) {
        std::printf(
            "| %-28s | %8zu | %7d | %9.0f | %8.2f | %8.2f | %6zu |\n", phase.name.c_str(),
            phase.requests, phase.clients, static_cast<double>(phase.requests) / phase.seconds,
            percentile(phase.latenciesMs, 0.50), percentile(phase.latenciesMs, 0.99), phase.errors);
    }
}

int run(const Settings& settings) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("dovrix-server-load-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string database = (folder / "accounts.sqlite").string();
    std::vector<Phase> phases;
    std::vector<int> highest(static_cast<std::size_t>(settings.accounts), 1);

    {
        ServerProcess server(settings.server, database);
        std::vector<std::string> creates;
        for (int a = 0; a < settings.accounts; ++a) {
            creates.push_back(accountTarget("create", a));
        }
        phases.push_back(
            drive("create (Argon2id hash)", server.port(), settings.clients,
                  spread(creates, settings.clients),
                  [](const std::string&, const std::string& body) { return body == "Success"; }));
    }

    {
        // A fresh server process remembers no password: the first logins pay for Argon2id.
        ServerProcess server(settings.server, database);
        std::vector<std::string> logins;
        for (int a = 0; a < settings.accounts; ++a) {
            logins.push_back(accountTarget("login", a));
        }
        phases.push_back(
            drive("login, first (Argon2id)", server.port(), settings.clients,
                  spread(logins, settings.clients),
                  [](const std::string&, const std::string& body) { return body == "1"; }));

        // Each account gets its updates in random order; its highest level is known.
        std::mt19937 random(20240601);
        std::vector<std::string> updates;
        for (int round = 0; round < settings.updatesPerAccount; ++round) {
            for (int a = 0; a < settings.accounts; ++a) {
                const int top = 2 + (a % 100);
                const int level = round == settings.updatesPerAccount / 2
                                      ? top
                                      : std::uniform_int_distribution<int>(1, top)(random);
                highest[static_cast<std::size_t>(a)] =
                    std::max(highest[static_cast<std::size_t>(a)], level);
                updates.push_back(accountTarget("update", a) + "&l=" + std::to_string(level));
            }
        }
        phases.push_back(drive(
            "update, logged in", server.port(), settings.clients, spread(updates, settings.clients),
            [](const std::string&, const std::string& body) { return body == "OK"; }));

        std::vector<std::string> again;
        for (int round = 0; round < 50; ++round) {
            for (int a = 0; a < settings.accounts; ++a) {
                again.push_back(accountTarget("login", a));
            }
        }
        phases.push_back(
            drive("login, again (remembered)", server.port(), settings.clients,
                  spread(again, settings.clients), [](const std::string&, const std::string& body) {
                      return !body.empty() && std::isdigit(static_cast<unsigned char>(body[0]));
                  }));

        // New accounts from 16 clients without pause, each an Argon2id hash, while one
        // logged-in player sends updates: the hashing must leave the updates their share.
        std::atomic<bool> flooding{true};
        std::vector<std::thread> flood;
        for (int c = 0; c < 16; ++c) {
            flood.emplace_back([&, c] {
                httplib::Client client("127.0.0.1", server.port());
                client.set_interface("127.0.2." + std::to_string(c + 1));
                for (int n = 0; flooding; ++n) {
                    client.Get(("/dovrix/account?o=create&u=flood" + std::to_string(c) + "x" +
                                std::to_string(n) + "&p=pw")
                                   .c_str());
                }
            });
        }
        std::vector<std::string> during;
        for (int round = 0; round < 20; ++round) {
            for (int a = 0; a < settings.accounts; ++a) {
                during.push_back(accountTarget("update", a) +
                                 "&l=" + std::to_string(highest[static_cast<std::size_t>(a)]));
            }
        }
        phases.push_back(
            drive("update, 16 clients creating", server.port(), 1, spread(during, 1),
                  [](const std::string&, const std::string& body) { return body == "OK"; }));
        flooding = false;
        for (std::thread& thread : flood) {
            thread.join();
        }
    }

    // The server has stopped; read what it stored.
    const int lost = lostUpdates(database, highest);
    std::filesystem::remove_all(folder);

    printTable(phases);
    std::printf("\n%d accounts, %d updates each; accounts whose stored level differs from the "
                "highest sent: %d\n",
                settings.accounts, settings.updatesPerAccount, lost);
    std::size_t errors = 0;
    for (const Phase& phase : phases) {
        errors += phase.errors;
    }
    return lost == 0 && errors == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    Settings settings;
    const auto count = [](int& setting) {
        return [&setting](const std::string& value) {
            setting = std::max(1, std::atoi(value.c_str()));
        };
    };
    if (!readOptions(argc, argv,
                     {{"--server", [&](const std::string& value) { settings.server = value; }},
                      {"--accounts", count(settings.accounts)},
                      {"--clients", count(settings.clients)},
                      {"--updates", count(settings.updatesPerAccount)}})) {
        std::cerr << "usage: dovrix-server-load [--server PATH] [--accounts N] [--clients N] "
                     "[--updates N]\n";
        return 2;
    }
    try {
        return run(settings);
    } catch (const std::exception& error) {
        std::cerr << "dovrix-server-load: " << error.what() << '\n';
        return 1;
    }
}
