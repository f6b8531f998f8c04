// dovrix-edge-load: the account service as deployed on a network, under load. It starts
// scripts/serve (nginx with TLS in front of the account server) on a free port with a fresh
// database and a throw-away certificate authority, then measures over loopback:
//
//   1. slow clients: N connections that each send one byte of a request header every 4 s
//      (reconnecting when nginx drops them), held for S seconds, while one game sends
//      ordinary updates one after another, each on a new TLS connection: the updates' p50,
//      p99 and failures;
//   2. throughput: updates of logged-in accounts from C clients, first each request on a new
//      TLS connection, then each client on its own kept-alive one: updates per second and
//      failures.
//
// With --levels random (the default) each update sends a level picked at random, so after the
// first few most repeat a level the account already holds, as a player replaying old levels
// does. With --levels climbing only the kept-alive throughput runs, and each account's updates
// climb from level 2 one level at a time, every one a new level reached (so at most 100 per
// account; more repeat level 101): the update that writes the most.
//
// Afterwards it reads the database: every account must hold the highest level it was sent.
//
//   dovrix-edge-load [--slow N] [--seconds S] [--clients C] [--accounts A] [--updates U]
//                    [--levels random|climbing] [--server PATH]

#include "bench_support.h"
#include "stored_levels.h"

#include <httplib.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <netinet/in.h>
#include <random>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using dovrix::bench::lostUpdates;
using dovrix::bench::percentile;
using dovrix::bench::readOptions;
using Clock = std::chrono::steady_clock;

struct Settings {
    std::string server = DOVRIX_ACCOUNT_SERVER_PATH;
    std::string serve = DOVRIX_SERVE_SCRIPT;
    int slowClients = 500;
    int seconds = 30;
    int clients = 8;
    int accounts = 16;
    int updatesPerAccount = 2000;
    bool climbing = false;
};

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void run(const std::vector<std::string>& command, const std::string& folder) {
    std::string line = "cd '" + folder + "' &&";
    for (const std::string& word : command) {
        line += " '" + word + "'";
    }
    if (std::system((line + " >/dev/null 2>&1").c_str()) != 0) {
        throw std::runtime_error("failed: " + line);
    }
}

// A throw-away authority and a certificate for 127.0.0.1 signed by it.
void makeCertificates(const std::string& folder) {
    const std::vector<std::string> key = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
                                          "-nodes"};
    auto with = [&](std::vector<std::string> head, std::vector<std::string> tail) {
        head.insert(head.end(), key.begin(), key.end());
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    run(with({"openssl", "req", "-x509"}, {"-keyout", "authority.key", "-out", "authority.pem",
                                           "-days", "2", "-subj", "/CN=load authority"}),
        folder);
    run(with({"openssl", "req"},
             {"-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=127.0.0.1"}),
        folder);
    run({"sh", "-c", "echo subjectAltName=IP:127.0.0.1 > names.ext"}, folder);
    run({"openssl", "x509", "-req", "-in", "server.csr", "-CA", "authority.pem", "-CAkey",
         "authority.key", "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile",
         "names.ext"},
        folder);
}

// A port held for nginx until the stack is stopped: a socket bound to it on every address,
// never listening. The kernel gives it to no other program that asks for a free port, while
// nginx, which sets SO_REUSEADDR, can still listen on it.
class HeldPort {
public:
    HeldPort() {
        const int yes = 1, no = 0;
        sockaddr_storage address{};
        fd_ = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool v6 = fd_ >= 0 && setsockopt(fd_, IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof no) == 0;
        if (!v6) {
            close(fd_);
            fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        }
        address.ss_family = v6 ? AF_INET6 : AF_INET;
        auto* raw = reinterpret_cast<sockaddr*>(&address);
        socklen_t length = v6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        if (setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
            bind(fd_, raw, length) != 0 || getsockname(fd_, raw, &length) != 0) {
            throw std::runtime_error("no port for nginx");
        }
        // Both families keep the port in the same place, after the family.
        number_ = ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    }
    ~HeldPort() { close(fd_); }
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;
    int number() const { return number_; }

private:
    int fd_ = -1;
    int number_ = 0;
};

// scripts/serve in a child process, stopped with SIGTERM.
class Stack {
public:
    Stack(const Settings& settings, const std::string& folder) {
        int out[2];
        if (pipe(out) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<std::string> arguments = {settings.serve,
                                              "--port",
                                              std::to_string(port_.number()),
                                              "--db",
                                              folder + "/accounts.sqlite",
                                              "--tls-cert",
                                              folder + "/server.pem",
                                              "--tls-key",
                                              folder + "/server.key",
                                              "--server",
                                              settings.server};
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            throw std::runtime_error("cannot start " + settings.serve);
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        std::string line;
        char c = 0;
        while (read(out[0], &c, 1) == 1 && c != '\n') {
            line.push_back(c);
        }
        close(out[0]);
        if (line != "listening on https://127.0.0.1:" + std::to_string(port_.number()) + "/") {
            throw std::runtime_error("scripts/serve said: " + line);
        }
    }
    ~Stack() { stop(); }
    // Milliseconds from SIGTERM to the script's end.
    double stop() {
        if (pid_ < 0) {
            return 0;
        }
        const auto start = Clock::now();
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return msSince(start);
    }
    int port() const { return port_.number(); }

private:
    HeldPort port_;
    pid_t pid_ = -1;
};

// One TLS connection over a blocking socket, from a chosen loopback address.
class TlsConnection {
public:
    TlsConnection(SSL_CTX* context, int port, const char* source) {
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in from{};
        from.sin_family = AF_INET;
        inet_pton(AF_INET, source, &from.sin_addr);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port));
        inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
        timeval limit{10, 0};
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        if (bind(socket_, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
            connect(socket_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
            return;
        }
        ssl_ = SSL_new(context);
        SSL_set_fd(ssl_, socket_);
        SSL_set1_host(ssl_, "127.0.0.1");
        ok_ = SSL_connect(ssl_) == 1;
    }
    ~TlsConnection() {
        if (ssl_) {
            SSL_free(ssl_);
        }
        close(socket_);
    }
    TlsConnection(const TlsConnection&) = delete;
    TlsConnection& operator=(const TlsConnection&) = delete;

    bool ok() const { return ok_; }
    bool write(const std::string& bytes) {
        ok_ = ok_ && SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size())) > 0;
        return ok_;
    }
    // Everything until the server closes the connection.
    std::string readAll() {
        std::string all;
        char buffer[4096];
        int n = 0;
        while (ok_ && (n = SSL_read(ssl_, buffer, sizeof buffer)) > 0) {
            all.append(buffer, static_cast<std::size_t>(n));
        }
        return all;
    }

private:
    int socket_ = -1;
    SSL* ssl_ = nullptr;
    bool ok_ = false;
};

std::string account(int a) {
    return "u=player" + std::to_string(a) + "&p=secret" + std::to_string(a * 7919);
}

struct Result {
    std::string name;
    std::size_t requests = 0;
    std::size_t failures = 0;
    double seconds = 0;
    std::vector<double> latenciesMs;
};

// One update as a game sends it: a new TLS connection, one GET, the body read to the end.
bool gameUpdate(SSL_CTX* context, int port, const std::string& query) {
    TlsConnection connection(context, port, "127.0.0.1");
    connection.write("GET /dovrix/account?" + query +
                     " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    const std::string reply = connection.readAll();
    return reply.size() > 4 && reply.ends_with("\r\n\r\nOK");
}

// Slow clients from 127.0.0.2, one header byte each every 4 s; a game's updates meanwhile.
Result slowClients(const Settings& settings, SSL_CTX* context, int port, std::vector<int>& highest,
                   std::size_t& reconnects) {
    const std::string header = "GET /dovrix/account?o=update&" + account(0) +
                               "&l=2 HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: slow\r\n"
                               "Accept: */*\r\nX-Padding: " +
                               std::string(200, 'x') + "\r\n\r\n";
    std::vector<std::unique_ptr<TlsConnection>> slow;
    std::vector<std::size_t> sent(static_cast<std::size_t>(settings.slowClients), 0);
    for (int i = 0; i < settings.slowClients; ++i) {
        slow.push_back(std::make_unique<TlsConnection>(context, port, "127.0.0.2"));
    }
    std::atomic<bool> done{false};
    Result result{"update, 1 game, slow clients held", 0, 0, 0, {}};
    std::thread game([&] {
        std::mt19937 random(7);
        const auto start = Clock::now();
        while (!done) {
            const int a = static_cast<int>(random() % static_cast<unsigned>(settings.accounts));
            const int level = std::uniform_int_distribution<int>(1, 100)(random);
            highest[static_cast<std::size_t>(a)] =
                std::max(highest[static_cast<std::size_t>(a)], level);
            const auto sentAt = Clock::now();
            const bool ok =
                gameUpdate(context, port, "o=update&" + account(a) + "&l=" + std::to_string(level));
            result.latenciesMs.push_back(msSince(sentAt));
            result.failures += ok ? 0 : 1;
        }
        result.seconds = msSince(start) / 1000;
    });
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(settings.seconds);
    for (auto tick = start; tick < end; tick += std::chrono::seconds(4)) {
        std::this_thread::sleep_until(tick);
        for (std::size_t i = 0; i < slow.size(); ++i) {
            if (!slow[i]->ok() || !slow[i]->write(header.substr(sent[i] % header.size(), 1))) {
                // Dropped by nginx: an attacker comes straight back.
                slow[i] = std::make_unique<TlsConnection>(context, port, "127.0.0.2");
                sent[i] = 0;
                ++reconnects;
                slow[i]->write(header.substr(0, 1));
            }
            ++sent[i];
        }
    }
    std::this_thread::sleep_until(end);
    done = true;
    game.join();
    result.requests = result.latenciesMs.size();
    return result;
}

// Updates of logged-in accounts, `clients` at once, each client on a kept-alive connection
// or on a new one (a full TLS handshake, as a game sends them) for every request.
Result throughput(const Settings& settings, SSL_CTX* context, const std::string& authority,
                  int port, std::vector<int>& highest, bool keepAlive) {
    Result result{settings.climbing ? "update, new level each, kept alive"
                  : keepAlive       ? "update, logged in, kept alive"
                                    : "update, logged in, new TLS each",
                  0,
                  0,
                  0,
                  {}};
    std::vector<std::vector<double>> latencies(static_cast<std::size_t>(settings.clients));
    std::atomic<std::size_t> failures{0};
    // Each client owns the accounts a with a % clients == c, so each account's order is known.
    std::vector<std::vector<int>> levels(static_cast<std::size_t>(settings.accounts));
    std::mt19937 random(11);
    for (int a = 0; a < settings.accounts; ++a) {
        for (int u = 0; u < settings.updatesPerAccount; ++u) {
            const int level = settings.climbing
                                  ? std::min(2 + u, 101)
                                  : std::uniform_int_distribution<int>(1, 101)(random);
            levels[static_cast<std::size_t>(a)].push_back(level);
            highest[static_cast<std::size_t>(a)] =
                std::max(highest[static_cast<std::size_t>(a)], level);
        }
    }
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < settings.clients; ++c) {
        threads.emplace_back([&, c] {
            httplib::SSLClient client("127.0.0.1", port);
            client.set_ca_cert_path(authority.c_str());
            client.enable_server_certificate_verification(true);
            client.set_keep_alive(keepAlive);
            client.set_read_timeout(60, 0);
            auto& mine = latencies[static_cast<std::size_t>(c)];
            for (int u = 0; u < settings.updatesPerAccount; ++u) {
                for (int a = c; a < settings.accounts; a += settings.clients) {
                    const std::string query =
                        "o=update&" + account(a) + "&l=" +
                        std::to_string(
                            levels[static_cast<std::size_t>(a)][static_cast<std::size_t>(u)]);
                    const auto sentAt = Clock::now();
                    bool ok = false;
                    if (keepAlive) {
                        const auto reply = client.Get(("/dovrix/account?" + query).c_str());
                        ok = reply && reply->status == 200 && reply->body == "OK";
                    } else {
                        ok = gameUpdate(context, port, query);
                    }
                    mine.push_back(msSince(sentAt));
                    failures += ok ? 0 : 1;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    result.seconds = msSince(start) / 1000;
    for (const auto& some : latencies) {
        result.latenciesMs.insert(result.latenciesMs.end(), some.begin(), some.end());
    }
    result.requests = result.latenciesMs.size();
    result.failures = failures;
    return result;
}

int runAll(const Settings& settings) {
    char pattern[] = "/tmp/dovrix-edge-load-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    makeCertificates(folder);
    const std::string authority = folder + "/authority.pem";
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    SSL_CTX_load_verify_locations(context, authority.c_str(), nullptr);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);

    std::vector<int> highest(static_cast<std::size_t>(settings.accounts), 1);
    std::vector<Result> results;
    std::size_t reconnects = 0;
    double stopMs = 0;
    {
        Stack stack(settings, folder);
        // The accounts, created and so remembered by the server (Argon2id once each), 16 from
        // each address, below the server's limit of new accounts per address.
        for (int a = 0; a < settings.accounts; ++a) {
            const std::string source = "127.0.0." + std::to_string(1 + a / 16);
            TlsConnection connection(context, stack.port(), source.c_str());
            connection.write("GET /dovrix/account?o=create&" + account(a) +
                             " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
            if (!connection.readAll().ends_with("Success")) {
                throw std::runtime_error("cannot create the accounts");
            }
        }
        if (settings.slowClients > 0 && !settings.climbing) {
            results.push_back(slowClients(settings, context, stack.port(), highest, reconnects));
        }
        if (!settings.climbing) {
            results.push_back(
                throughput(settings, context, authority, stack.port(), highest, false));
        }
        results.push_back(throughput(settings, context, authority, stack.port(), highest, true));
        stopMs = stack.stop();
    }
    const int lost = lostUpdates(folder + "/accounts.sqlite", highest);
    SSL_CTX_free(context);
    std::filesystem::remove_all(folder);

    std::printf("| %-34s | %8s | %9s | %8s | %8s | %8s |\n", "through nginx with TLS", "requests",
                "req/s", "p50 ms", "p99 ms", "failures");
    std::printf("|%s|%s|%s|%s|%s|%s|\n", std::string(36, '-').c_str(), std::string(10, '-').c_str(),
                std::string(11, '-').c_str(), std::string(10, '-').c_str(),
                std::string(10, '-').c_str(), std::string(10, '-').c_str());
    std::size_t failures = 0;
    for (const Result& r : results) {
        std::printf("| %-34s | %8zu | %9.0f | %8.2f | %8.2f | %8zu |\n", r.name.c_str(), r.requests,
                    static_cast<double>(r.requests) / r.seconds, percentile(r.latenciesMs, 0.5),
                    percentile(r.latenciesMs, 0.99), r.failures);
        failures += r.failures;
    }
    std::printf("\n%d slow clients from 127.0.0.2 for %d s (%zu reconnects after nginx dropped "
                "them); %d clients kept alive, %d accounts x %d updates; accounts whose stored "
                "level differs from the highest sent: %d; SIGTERM to stopped: %.0f ms\n",
                settings.slowClients, settings.seconds, reconnects, settings.clients,
                settings.accounts, settings.updatesPerAccount, lost, stopMs);
    const bool slowOk = settings.slowClients == 0 || settings.climbing ||
                        percentile(results[0].latenciesMs, 0.99) < 1000;
    const bool fastOk =
        static_cast<double>(results.back().requests) / results.back().seconds >= 2000;
    return failures == 0 && lost == 0 && slowOk && fastOk && stopMs < 3000 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    Settings settings;
    bool valid = true;
    const auto count = [](int& setting, int least) {
        return [&setting, least](const std::string& value) {
            setting = std::max(least, std::atoi(value.c_str()));
        };
    };
    if (!readOptions(argc, argv,
                     {{"--server", [&](const std::string& value) { settings.server = value; }},
                      {"--slow", count(settings.slowClients, 0)},
                      {"--seconds", count(settings.seconds, 1)},
                      {"--clients", count(settings.clients, 1)},
                      {"--accounts", count(settings.accounts, 1)},
                      {"--updates", count(settings.updatesPerAccount, 1)},
                      {"--levels",
                       [&](const std::string& value) {
                           settings.climbing = value == "climbing";
                           valid = valid && (value == "climbing" || value == "random");
                       }}}) ||
        !valid) {
        std::cerr << "usage: dovrix-edge-load [--slow N] [--seconds S] [--clients C] "
                     "[--accounts A] [--updates U] [--levels random|climbing] [--server PATH]\n";
        return 2;
    }
    try {
        return runAll(settings);
    } catch (const std::exception& error) {
        std::cerr << "dovrix-edge-load: " << error.what() << '\n';
        return 1;
    }
}
