// dovrix-attack-load: what a curious student with a terminal can do to the account server,
// measured. It starts the real server program on a Unix socket with a fresh database and
// stands in for nginx, naming each request's client in X-Real-IP, then measures:
//   1. wrong passwords for existing and for unknown names: the median time of each (they must
//      be within a factor of 2, or the replies tell which accounts exist);
//   2. one address creating accounts over 16 connections without pause while 12 students at
//      12 other addresses make their first login at the same moment: all 12 must succeed;
//   3. the throttle tables under 100,000 client addresses (a par upload and a create each):
//      the server's memory growth (at most 30 MB) and its CPU time per request, first and
//      last 20,000 requests.
//
//   dovrix-attack-load [--server PATH] [--samples N] [--addresses N]

#include "bench_support.h"
#include "local_http.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using dovrix::bench::percentile;
using dovrix::server::getOverSocket;
using Clock = std::chrono::steady_clock;

struct Settings {
    std::string server = DOVRIX_ACCOUNT_SERVER_PATH;
    int samples = 24;
    int addresses = 100000;
};

// The server program on a Unix socket in a private folder; stopped with SIGTERM.
class ServerProcess {
public:
    ServerProcess(const std::string& program, const std::filesystem::path& folder)
        : socket_((folder / "account.sock").string()) {
        std::vector<std::string> arguments = {program, "--socket", socket_, "--db",
                                              (folder / "accounts.sqlite").string()};
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        int out[2];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (pipe(out) != 0 || posix_spawn_file_actions_adddup2(&actions, out[1], 1) != 0 ||
            posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            throw std::runtime_error("cannot start " + program);
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        std::string line;
        for (char c = 0; read(out[0], &c, 1) == 1 && c != '\n';) {
            line.push_back(c);
        }
        close(out[0]);
        if (line != "listening on unix:" + socket_) {
            throw std::runtime_error("unexpected first line: " + line);
        }
    }
    ~ServerProcess() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    // One request from the client at `address`: status and body (0 when none came) and the
    // time it took in milliseconds.
    std::pair<dovrix::server::LocalReply, double> get(const std::string& target,
                                                      const std::string& address) const {
        const auto start = Clock::now();
        const auto reply = getOverSocket(socket_, target, address);
        return {reply.value_or(dovrix::server::LocalReply{}),
                std::chrono::duration<double, std::milli>(Clock::now() - start).count()};
    }
    // Resident memory in KiB and CPU time (user and system) in seconds.
    std::pair<long, double> usage() const {
        const std::string proc = "/proc/" + std::to_string(pid_);
        std::ifstream status(proc + "/status");
        long rss = 0;
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("VmRSS:")) {
                rss = std::stol(line.substr(6));
            }
        }
        std::ifstream stat(proc + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::vector<std::string> f(std::istream_iterator<std::string>(fields), {});
        const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
        return {rss, (std::stod(f.at(11)) + std::stod(f.at(12))) / ticks};
    }

private:
    std::string socket_;
    pid_t pid_ = -1;
};

std::string account(const std::string& operation, const std::string& user,
                    const std::string& password) {
    return "/dovrix/account?o=" + operation + "&u=" + user + "&p=" + password;
}

// An IPv4 address for client number n, away from the school network.
std::string addressOf(int n) {
    return "100." + std::to_string(64 + (n >> 16)) + "." + std::to_string((n >> 8) & 255) + "." +
           std::to_string(n & 255);
}

int run(const Settings& settings) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("dovrix-attack-load-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    bool met = true;
    {
        const ServerProcess server(settings.server, folder);

        // 1. Wrong passwords, each from an address of its own so that no limit interferes.
        std::vector<double> existing, unknown;
        for (int i = 0; i < settings.samples; ++i) {
            const std::string name = "member" + std::to_string(i);
            if (server.get(account("create", name, "right"), addressOf(1000 + i)).first.body !=
                "Success") {
                throw std::runtime_error("cannot create " + name);
            }
        }
        for (int i = 0; i < settings.samples; ++i) {
            const std::string number = std::to_string(i);
            existing.push_back(
                server.get(account("login", "member" + number, "wrong"), addressOf(2000 + i))
                    .second);
            unknown.push_back(
                server.get(account("login", "stranger" + number, "wrong"), addressOf(3000 + i))
                    .second);
        }
        const double ratio = percentile(existing, 0.5) / percentile(unknown, 0.5);
        met = met && ratio <= 2 && ratio >= 0.5;
        std::printf("| wrong password, %d each | existing name: median %.1f ms | unknown name: "
                    "median %.1f ms | ratio %.2f (target 0.5 to 2) |\n",
                    settings.samples, percentile(existing, 0.5), percentile(unknown, 0.5), ratio);

        // 2. One address creating without pause over 16 connections; 12 first logins.
        std::atomic<bool> flooding{true};
        std::atomic<int> floodRequests{0}, floodCreated{0};
        std::vector<std::thread> flood;
        for (int c = 0; c < 16; ++c) {
            flood.emplace_back([&, c] {
                for (int n = 0; flooding; ++n) {
                    const auto name = "flood" + std::to_string(c) + "x" + std::to_string(n);
                    floodCreated +=
                        server.get(account("create", name, "pw"), "192.0.2.66").first.body ==
                        "Success";
                    ++floodRequests;
                }
            });
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        std::vector<std::pair<dovrix::server::LocalReply, double>> students(12);
        std::vector<std::thread> logins;
        for (std::size_t s = 0; s < students.size(); ++s) {
            logins.emplace_back([&, s] {
                students[s] = server.get(account("create", "student" + std::to_string(s), "pw"),
                                         addressOf(4000 + static_cast<int>(s)));
            });
        }
        std::ranges::for_each(logins, &std::thread::join);
        flooding = false;
        std::ranges::for_each(flood, &std::thread::join);
        const auto succeeded = std::ranges::count_if(
            students, [](const auto& reply) { return reply.first.body == "Success"; });
        double slowest = 0;
        for (const auto& reply : students) {
            slowest = std::max(slowest, reply.second);
        }
        met = met && succeeded == 12;
        std::printf("| create flood, 16 connections from one address | %d requests, %d created | "
                    "first logins elsewhere: %zd of 12 succeeded, slowest %.0f ms |\n",
                    floodRequests.load(), floodCreated.load(), succeeded, slowest);

        // 3. The throttle tables: a par upload and a create of a taken name per address.
        const auto before = server.usage();
        std::vector<double> cpuPerRequest;
        const int chunk = std::min(20000, settings.addresses);
        for (int first = 0; first < settings.addresses; first += chunk) {
            const auto start = server.usage().second;
            std::atomic<int> next{first};
            std::vector<std::thread> clients;
            for (int c = 0; c < 4; ++c) {
                clients.emplace_back([&] {
                    for (int n = next++; n < first + chunk; n = next++) {
                        server.get("/dovrix/pars?Level=1&Moves=999&Par=9", addressOf(10000 + n));
                        server.get(account("create", "member0", "pw"), addressOf(10000 + n));
                    }
                });
            }
            std::ranges::for_each(clients, &std::thread::join);
            cpuPerRequest.push_back((server.usage().second - start) * 1e6 / (2.0 * chunk));
        }
        const auto after = server.usage();
        const double growthMb = static_cast<double>(after.first - before.first) / 1024;
        met = met && growthMb <= 30;
        std::printf("| %d client addresses, 2 requests each | memory %.1f MB -> %.1f MB "
                    "(growth %.1f MB, target at most 30) | server CPU per request: first %d "
                    "%.0f us, last %d %.0f us |\n",
                    settings.addresses, static_cast<double>(before.first) / 1024,
                    static_cast<double>(after.first) / 1024, growthMb, 2 * chunk,
                    cpuPerRequest.front(), 2 * chunk, cpuPerRequest.back());
    }
    std::filesystem::remove_all(folder);
    return met ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    Settings settings;
    if (!dovrix::bench::readOptions(
            argc, argv,
            {{"--server", [&](const std::string& value) { settings.server = value; }},
             {"--samples",
              [&](const std::string& value) { settings.samples = std::max(1, std::stoi(value)); }},
             {"--addresses", [&](const std::string& value) {
                  settings.addresses = std::max(1, std::stoi(value));
              }}})) {
        std::cerr << "usage: dovrix-attack-load [--server PATH] [--samples N] [--addresses N]\n";
        return 2;
    }
    try {
        return run(settings);
    } catch (const std::exception& error) {
        std::cerr << "dovrix-attack-load: " << error.what() << '\n';
        return 1;
    }
}
