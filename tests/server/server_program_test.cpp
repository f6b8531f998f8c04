// The dovrix-account-server program as a deployment runs it: its own process, its command
// line, its first line of output, its signals.

#include "server_program.h"
#include "shifted_clock.h"
#include "sql.h"
#include "temp_folder.h"

#include <QProcess>

#include <gtest/gtest.h>
#include <httplib.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <list>
#include <optional>
#include <regex>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace dovrix::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
// Every limit counts an event for ten minutes at least and eleven at most. Moved on by these
// from the first event a limit counted, or from the last, the server must still refuse, or
// have forgotten them all.
constexpr auto kStillCounted = 590s;
constexpr auto kAllForgotten = 661s;

// A thread sending request(0), request(1), ... while each is answered `ok` and it is not asked
// to stop; `confirmed` counts the answered ones. Made once `wanted` are, or the thread ended.
struct Sender {
    Sender(Server& server, std::string ok, int wanted, std::function<std::string(int)> request)
        : thread([=, this, &server](std::stop_token stop) {
              for (int n = 0; !stop.stop_requested() && server.get(request(n)) == ok;) {
                  confirmed = ++n;
              }
              ended = true;
          }) {
        while (confirmed < wanted && !ended) {
            std::this_thread::yield();
        }
    }
    std::atomic<int> confirmed{0};
    std::atomic<bool> ended{false};
    std::jthread thread;
};

TEST(ServerProgram, AnnouncesItsAddressAndStopsCleanlyOnSignals) {
    TempFolder folder;
    Server server(folder.file("accounts.sqlite"));
    EXPECT_EQ(server.get("o=qel&u=pat&p="), "1");
    // A second server cannot take a port in use, and says so.
    Program rival({"--port", std::to_string(server.port), "--db", folder.file("other.sqlite")});
    EXPECT_EQ(rival.exitCodeAtEnd(), 1);
    EXPECT_NE(rival.errors().find("cannot listen"), std::string::npos);
    server.signal(SIGINT); // SIGTERM: the test of a stop with connections open
    EXPECT_EQ(server.exitCodeAtEnd(), 0);
}

// Only the front end names the client: through the server's Unix socket, X-Real-IP gives the
// client's address and must; on a TCP port it is only text, and no option makes it more.
TEST(ServerProgram, BelievesTheForwardedAddressOnlyThroughItsSocket) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    EXPECT_EQ(Program({"--db", database, "--trusted-proxy", "127.0.0.1"}).exitCodeAtEnd(), 2);
    Server port(database, {"--trust", "10.0.0.0/8"});
    EXPECT_EQ(port.get("o=qel&u=pat.kim&p=", "10.1.2.3"), kInvalid);
    Server socket(database, {"--trust", "10.0.0.0/8", "--socket", folder.file("account.sock")});
    for (const auto& [header, reply] :
         std::vector<std::pair<std::string, std::string>>{{"10.1.2.3", "1"},
                                                          {"::ffff:10.1.2.3", "1"},
                                                          {"203.0.113.9", kInvalid},
                                                          {"", kCreating},
                                                          {"10.1.2.3, 10.4.5.6", kCreating},
                                                          {"school", kCreating}}) {
        EXPECT_EQ(socket.get("o=qel&u=pat.kim&p=", header), reply) << header;
    }
}

// The socket is open to whoever may enter its folder, whatever umask the server has; one that
// a server which did not stop left behind is taken over, a live one or another file is not,
// and a stopping server removes its own.
TEST(ServerProgram, TakesItsSocketOverFromADeadServerButNotALiveOne) {
    TempFolder folder;
    const std::string path = folder.file("account.sock");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::copy(path.begin(), path.end(), address.sun_path);
    const int dead = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(dead, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(dead); // its file stays, and nothing answers there
    {
        Server server(folder.file("accounts.sqlite"), {"--socket", path});
        EXPECT_EQ(server.socket, path);
        EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0666));
        EXPECT_EQ(server.get("o=qel&u=pat&p="), "1");
        Program rival({"--socket", path, "--db", folder.file("other.sqlite")});
        EXPECT_EQ(rival.exitCodeAtEnd(), 1);
        EXPECT_NE(rival.errors().find("cannot listen on " + path), std::string::npos);
        EXPECT_EQ(server.get("o=qel&u=pat&p="), "1");
        server.signal(SIGTERM);
        EXPECT_EQ(server.exitCodeAtEnd(), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    std::ofstream(path) << "not a socket\n";
    Program onFile({"--socket", path, "--db", folder.file("accounts.sqlite")});
    EXPECT_EQ(onFile.exitCodeAtEnd(), 1);
    EXPECT_EQ(fileContent(path), "not a socket\n");
}

// Idle connections and requests that never finish arriving do not keep a stopping server
// alive.
TEST(ServerProgram, StopsWithinThreeSecondsWhateverItsConnectionsDo) {
    TempFolder folder;
    Server server(folder.file("accounts.sqlite"), {"--threads", "8"});
    std::vector<int> sockets;
    for (const std::string text :
         {"", "", "", "G", "GET /dovrix/account?o=qel&u=pat&p= HTTP/1.1\r\nX-",
          "GET /dovrix/pars HTTP/1.1\r\n"}) {
        sockets.push_back(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in address{
            AF_INET, htons(static_cast<uint16_t>(server.port)), {htonl(INADDR_LOOPBACK)}, {}};
        EXPECT_EQ(::connect(sockets.back(), reinterpret_cast<sockaddr*>(&address), sizeof address),
                  0);
        EXPECT_EQ(::send(sockets.back(), text.data(), text.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(text.size()));
    }
    // Answered after the others are taken in: they were accepted first.
    EXPECT_EQ(server.get("o=qel&u=pat&p="), "1");
    server.signal(SIGTERM);
    EXPECT_TRUE(server.waitForFinished(3000)) << "still running 3 s after SIGTERM";
    EXPECT_EQ(server.exitCodeAtEnd(), 0);
    std::for_each(sockets.begin(), sockets.end(), ::close);
}

// --log-requests writes one line per request, whatever the request holds, and no password.
TEST(ServerProgram, LogsEveryRequestOnItsOwnLineWithoutPasswords) {
    TempFolder folder;
    Server server(folder.file("accounts.sqlite"), {"--log-requests"});
    for (const char* target : {"o=create%0A127.0.0.1%20GET&u=m&p=hunter2",
                               "/dovrix/account%0D%0A127.0.0.1?o=login&u=m&p=hunter2",
                               "o=create\\n&u=m&p=hunter2", "o=create&u=m&p=hunter2"}) {
        server.get(target);
    }
    server.signal(SIGTERM);
    EXPECT_EQ(server.exitCodeAtEnd(), 0);
    const std::string log = server.errors();
    EXPECT_EQ(log.find("hunter2"), std::string::npos) << log;
    // The lines that start with the client's address.
    const std::regex request("(?:^|\n)(127\\.0\\.0\\.1 [^\n]*)");
    const std::vector<std::string> requests(
        std::sregex_token_iterator(log.begin(), log.end(), request, 1), {});
    EXPECT_EQ(requests, (std::vector<std::string>{
                            "127.0.0.1 GET /dovrix/account o=create\\n127.0.0.1 GET 400",
                            "127.0.0.1 GET /dovrix/account\\r\\n127.0.0.1 o= 404",
                            "127.0.0.1 GET /dovrix/account o=create\\\\n 400",
                            "127.0.0.1 GET /dovrix/account o=create 200"}))
        << log;
}

// The import takes the whole list or nothing: it names every line no student could log in
// with, and every name an online account holds, which --take-over gives to the student.
TEST(ServerProgram, ImportsStudentsRefusesUnknownArgumentsAndAnswersStoreErrors) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    Server server(database);
    ASSERT_EQ(server.get("o=create&u=squat&p=mine"), "Success");
    const auto import = [&](const std::string& csv, std::vector<std::string> more = {}) {
        std::ofstream(folder.file("students.csv")) << csv;
        more.insert(more.begin(),
                    {"import-students", folder.file("students.csv"), "--db", database});
        Program program(more);
        const int code = program.exitCodeAtEnd();
        return std::pair(code, code == 0 ? program.firstLine() : program.errors());
    };
    const auto [code, errors] = import("Ann,pw\nann,pw2\nbo,\" padded\"\ncy," +
                                       std::string(26, 'p') + "\ndi,tab\tpw\ned,\xC3\nsquat,pw\n");
    EXPECT_EQ(code, 1);
    for (int line = 2; line <= 6; ++line) {
        EXPECT_NE(errors.find("students.csv: line " + std::to_string(line) + ": "),
                  std::string::npos)
            << line << errors;
    }
    EXPECT_NE(import("squat,school\n").second.find("students.csv: line 1: squat"),
              std::string::npos);
    EXPECT_EQ(import("jo.park,first pass\nli.chen,second\n"),
              std::pair(0, "imported 2 students into " + database));
    EXPECT_EQ(server.get("o=vorna&u=ann&p=pw"), kInvalid);
    EXPECT_EQ(server.get("o=login&u=squat&p=mine"), "1");
    EXPECT_EQ(import("squat,school\n", {"--take-over"}).first, 0);
    Program wrong({"--port", "eighty"});
    EXPECT_EQ(wrong.exitCodeAtEnd(), 2);
    EXPECT_NE(wrong.errors().find("--help lists the options"), std::string::npos);
    EXPECT_EQ(server.get("o=vorna&u=jo.park&p=first%20pass"), "Success");
    EXPECT_EQ(server.get("o=vorna&u=li.chen&p=wrong"), kInvalid);
    EXPECT_EQ(server.get("o=login&u=squat&p=mine"), kInvalid);
    EXPECT_EQ(server.get("o=halvern&u=squat&p=school"), "1");
    // A store error (here another program holding the database's write lock longer than the
    // server waits) answers with the failure text each operation's client knows.
    ASSERT_EQ(server.get("o=qel&u=jo.park&p="), "1");
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    for (const auto& [target, body] : std::vector<std::pair<std::string, std::string>>{
             {"o=update&u=jo.park&p=&l=5", "Error Updating Account"},
             {"o=qel&u=li.chen&p=", "Error Creating Account"},
             {"o=create&u=bob&p=pw", "Error Creating Account"},
             {"/dovrix/pars?Level=87&Moves=17&Par=19", "Ignored"}}) {
        EXPECT_EQ(server.fetch(target), std::pair(500, body)) << target;
    }
    sqlite3_close(other); // and with it the transaction
    EXPECT_EQ(server.get("o=qel&u=jo.park&p="), "1");
    EXPECT_EQ(server.get("o=login&u=bob&p=pw"), kInvalid);
}

// Every refused update reads as a failed update to the game, which tells the player. A name
// that does not exist costs the same guesses as one that does, and guesses sent at once are
// all counted before any is checked.
TEST(ServerProgram, RefusesUpdatesAloudAndCountsEveryGuessAlike) {
    TempFolder folder;
    Server server(folder.file("accounts.sqlite"),
                  {"--trust", "10.0.0.0/8", "--socket", folder.file("account.sock")});
    ASSERT_EQ(server.get("o=create&u=mary&p=secret", "192.0.2.1"), "Success");
    ASSERT_EQ(server.get("o=qel&u=pat.kim&p=", "10.1.1.1"), "1");
    for (const std::string update : {"u=mary&p=wrong", "u=ghost&p=secret", "u=pat.kim&p="}) {
        EXPECT_EQ(server.fetch("o=update&l=9&" + update, "192.0.2.1"),
                  std::pair(403, std::string("Error Updating Account")))
            << update;
    }
    // Rounds of eight guesses at once, until a round is refused whole for the limit.
    for (const std::string name : {"mary", "ghost"}) {
        int checked = 0;
        for (bool limited = false; !limited && checked < 80;) {
            std::vector<std::future<std::pair<int, std::string>>> guesses;
            for (int guess = 0; guess < 8; ++guess) {
                guesses.push_back(std::async(std::launch::async, [&, guess] {
                    return server.fetch("o=login&u=" + name + "&p=guess" + std::to_string(guess),
                                        "203.0.113.7");
                }));
            }
            limited = true;
            for (auto& guess : guesses) {
                const auto [status, body] = guess.get();
                checked += status == 200;
                limited = limited && status == 429;
                EXPECT_EQ(body, status == 200 ? kInvalid : kCreating) << status;
            }
        }
        EXPECT_EQ(checked, 10) << name;
    }
}

// Online guessing: ten wrong passwords per account from one address in ten minutes, and a
// hundred in all; past either, that address gets no answer to any password for the account
// (or for any account), while the owners elsewhere still log in. Inside the school network,
// where a whole school may share an address, only the account's limit counts. Ten minutes
// on, the guesses are forgotten.
TEST(ServerProgram, WrongPasswordsLockOnlyTheGuessingAddressOutForTenMinutes) {
    TempFolder folder;
    ShiftedClock clock(folder.file("clock"));
    Server server(folder.file("accounts.sqlite"),
                  {"--trust", "10.0.0.0/8", "--socket", folder.file("account.sock")},
                  clock.environment());
    const auto login = [](int account, const std::string& password) {
        return "o=login&u=m" + std::to_string(account) + "&p=" + password;
    };
    const std::string attacker = "203.0.113.5", elsewhere = "198.51.100.1", school = "10.0.0.9";
    const auto expect = [&](const std::pair<int, std::string>& reply,
                            const std::vector<std::string>& targets, const std::string& client) {
        for (const std::string& target : targets) {
            EXPECT_EQ(server.fetch(target, client), reply) << target << " from " << client;
        }
    };
    for (int account = 0; account <= 10; ++account) {
        expect({200, "Success"}, {"o=create&u=m" + std::to_string(account) + "&p=secret"},
               elsewhere);
    }
    const Clock::time_point first = Clock::now();
    for (int guess = 0; guess < 100; ++guess) {
        for (const std::string& client : {attacker, school}) {
            expect({200, kInvalid}, {login(guess / 10, "guess" + std::to_string(guess % 10))},
                   client);
        }
        if (guess == 9) {
            expect({429, kCreating}, {login(0, "secret"), login(0, "guess")}, attacker);
            expect({429, kUpdating}, {"o=update&u=M0&p=secret&l=9"}, attacker);
            expect({200, "1"}, {login(0, "secret")}, elsewhere);
            expect({200, kInvalid}, {login(0, "guess")}, elsewhere);
            expect({200, "1"}, {login(10, "secret")}, attacker);
        }
    }
    const Clock::time_point last = Clock::now();
    expect({429, kCreating}, {login(10, "secret"), login(0, "secret")}, attacker);
    expect({429, kCreating}, {login(0, "secret")}, school);
    expect({200, "1"}, {login(10, "secret")}, elsewhere);
    expect({200, "1"}, {login(10, "secret")}, school);
    clock.setTo(first + kStillCounted);
    expect({429, kCreating}, {login(10, "secret")}, attacker);
    expect({429, kCreating}, {login(0, "secret")}, school);
    clock.setTo(last + kAllForgotten);
    expect({200, "1"}, {login(10, "secret"), login(0, "secret")}, attacker);
    expect({200, "1"}, {login(0, "secret")}, school);
}

// New accounts are limited per client before any password is hashed, an IPv6 client being
// its whole /64; so are new accounts of the school login, which opens only the names on the
// student list once there is one, and par uploads. Each limit holds for ten minutes.
TEST(ServerProgram, LimitsNewAccountsAndUploadsPerClientForTenMinutes) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    ShiftedClock clock(folder.file("clock"));
    Server server(database, {"--trust", "10.0.0.0/8", "--socket", folder.file("account.sock")},
                  clock.environment());
    const auto reply = [](bool allowed, const std::string& body) {
        return allowed ? std::pair(200, body) : std::pair(429, kCreating);
    };
    const auto upload = [&](const std::string& client) {
        return server.fetch("/dovrix/pars?Level=87&Moves=19&Par=19", client);
    };
    const Clock::time_point first = Clock::now();
    for (int n = 0; n <= 20; ++n) {
        const std::string number = std::to_string(n);
        EXPECT_EQ(server.fetch("o=create&u=new" + number + "&p=pw", "2001:db8:1:2::" + number),
                  reply(n < 20, "Success"))
            << n;
        EXPECT_EQ(server.fetch("o=qel&u=pupil" + number + "&p=", "10.0.0.5"), reply(n < 20, "1"))
            << n;
        if (n <= 10) { // no upload lowers the par: each is answered as not acted on
            EXPECT_EQ(upload("10.0.0.9"), std::pair(n < 10 ? 200 : 429, std::string("Ignored")))
                << n;
        }
    }
    const Clock::time_point last = Clock::now();
    EXPECT_EQ(server.get("o=create&u=other&p=pw", "2001:db8:1:3::1"), "Success");
    EXPECT_EQ(server.get("o=qel&u=pupil1&p=", "10.0.0.5"), "1");
    EXPECT_EQ(upload("10.0.0.8").first, 200);
    clock.setTo(first + kStillCounted);
    EXPECT_EQ(server.fetch("o=create&u=later&p=pw", "2001:db8:1:2::99"), reply(false, ""));
    EXPECT_EQ(server.fetch("o=qel&u=later.on&p=", "10.0.0.5"), reply(false, ""));
    EXPECT_EQ(upload("10.0.0.9").first, 429);
    clock.setTo(last + kAllForgotten);
    EXPECT_EQ(server.fetch("o=create&u=later&p=pw", "2001:db8:1:2::99"), reply(true, "Success"));
    EXPECT_EQ(server.fetch("o=qel&u=later.on&p=", "10.0.0.5"), reply(true, "1"));
    EXPECT_EQ(upload("10.0.0.9").first, 200);
    std::ofstream(folder.file("students.csv")) << "pupil1,pw\nli.chen,pw\n";
    Program import({"import-students", folder.file("students.csv"), "--db", database});
    EXPECT_EQ(import.exitCodeAtEnd(), 0);
    for (const auto& [user, body] : std::vector<std::pair<std::string, std::string>>{
             {"li.chen", "1"}, {"pupil1", "1"}, {"pupil2", kInvalid}, {"made.up", kInvalid}}) {
        EXPECT_EQ(server.get("o=qel&u=" + user + "&p=", "10.0.0.6"), body) << user;
    }
}

// Whatever umask it was started with, the database, its journals, its folder and its backups
// are its user's alone. Its configuration file reads as --help describes it.
TEST(ServerProgram, KeepsItsFilesPrivateAndReadsCommentsInItsConfiguration) {
    TempFolder folder;
    const mode_t callers = ::umask(022);
    ::setenv("XDG_DATA_HOME", folder.file("data").c_str(), 1);
    std::ofstream(folder.file("server.conf")) << "port = 0 # any free one\n#log-requests\n";
    std::ofstream(folder.file("help.conf")) << "help\n";
    EXPECT_EQ(Program({"--config", folder.file("help.conf")}).exitCodeAtEnd(), 2);
    Server server("", {"--config", folder.file("server.conf")});
    EXPECT_EQ(server.get("o=qel&u=pat&p="), "1");
    EXPECT_EQ(Program({"backup", folder.file("backup.sqlite")}).exitCodeAtEnd(), 0);
    ::unsetenv("XDG_DATA_HOME");
    ::umask(callers);
    const auto data = folder.path() / "data" / "dovrix";
    for (const auto& file : {data / "accounts.sqlite", data / "accounts.sqlite-wal",
                             data / "accounts.sqlite-shm", folder.path() / "backup.sqlite"}) {
        EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0600))
            << file;
    }
    EXPECT_EQ(std::filesystem::status(data).permissions(), std::filesystem::perms(0700));
}

// Killed without warning in the middle of a stream of updates, the server loses none that it
// had confirmed, and its database opens again.
TEST(ServerProgram, KeepsEveryConfirmedUpdateThroughKillNine) {
    TempFolder folder;
    std::optional<Server> server(std::in_place, folder.file("accounts.sqlite"));
    const std::array<std::string, 4> names = {"u=p0&p=", "u=p1&p=", "u=p2&p=", "u=p3&p="};
    std::list<Sender> players; // each up to level 101, refused beyond
    // Killed mid-stream: after at least 100 of the 400 updates are confirmed.
    for (const std::string& name : names) {
        ASSERT_EQ(server->get("o=qel&" + name), "1");
        players.emplace_back(*server, "OK", 25, [name](int n) {
            return "o=update&" + name + "&l=" + std::to_string(n + 2);
        });
    }
    server->signal(SIGKILL);
    EXPECT_EQ(server->exitCodeAtEnd(), -1);
    std::ranges::for_each(players, [](Sender& player) { player.thread.join(); });
    server.emplace(folder.file("accounts.sqlite"));
    auto player = players.begin();
    for (const std::string& name : names) {
        EXPECT_GE(std::stoi(server->get("o=qel&" + name)), (player++)->confirmed + 1) << name;
    }
}

// The backup command run while the server is creating accounts one after another: the copy is
// one self-contained file that passes SQLite's integrity check and holds every account
// confirmed before the backup began (a plain file copy would miss those still in the WAL).
TEST(ServerProgram, BacksUpTheDatabaseWhileTheServerWrites) {
    TempFolder folder;
    const std::string database = folder.file("accounts.sqlite");
    const std::string copy = folder.file("backup.sqlite");
    Server server(database);
    Sender pupils(server, "1", 200,
                  [](int n) { return "o=qel&u=pupil" + std::to_string(n) + "&p="; });
    const int before = pupils.confirmed;
    Program backup({"backup", "--db", database, copy});
    EXPECT_EQ(backup.exitCodeAtEnd(), 0) << backup.errors();
    pupils.thread.request_stop();
    pupils.thread.join();
    const int confirmed = pupils.confirmed;

    EXPECT_FALSE(std::filesystem::exists(copy + "-wal"));
    // The integrity check's verdict, then the number of accounts.
    const std::string answers = sql(copy, "PRAGMA integrity_check; SELECT count(*) FROM accounts");
    ASSERT_TRUE(answers.starts_with("ok\n")) << answers;
    EXPECT_GE(std::stoi(answers.substr(3)), before);
    EXPECT_LE(std::stoi(answers.substr(3)), confirmed + 1);
}

} // namespace
} // namespace dovrix::testing
