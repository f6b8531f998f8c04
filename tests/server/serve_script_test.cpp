// scripts/serve as a school runs it on its network: nginx with TLS in front of the account
// server. The server must see each game's own address, never nginx's loopback one, and slow
// clients must wait in nginx, not in the account server's threads.

#include "served_stack.h"

#include "account_store.h"

#include <QProcess>
#include <QSslConfiguration>
#include <QSslSocket>

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include <sodium.h>
#include <unistd.h>

namespace dovrix::testing {
namespace {

std::unique_ptr<QSslSocket> connectTo(const ServedStack& stack, const char* source) {
    auto socket = std::make_unique<QSslSocket>();
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.addCaCertificates(QString::fromStdString(stack.authorityFile()));
    socket->setSslConfiguration(tls);
    socket->bind(QHostAddress(QString::fromLatin1(source)));
    socket->connectToHostEncrypted("127.0.0.1", static_cast<quint16>(stack.port()));
    EXPECT_TRUE(socket->waitForEncrypted(5000))
        << "no TLS connection from " << source << ": " << socket->errorString().toStdString();
    return socket;
}

// One request on a connection of its own, from the given loopback address: the whole reply
// as it came, headers and body, until nginx closed the connection or sent nothing for 5 s.
std::string roundTrip(const ServedStack& stack, const std::string& request,
                      const char* source = "127.0.0.1") {
    const auto socket = connectTo(stack, source);
    socket->write(request.data(), static_cast<qint64>(request.size()));
    while (socket->waitForReadyRead(5000)) {
    }
    return socket->readAll().toStdString();
}

// One request as a game sends it (GET unless told), from the given loopback address; the
// reply's body, or "<no reply>" when none came within 5 s.
std::string get(const ServedStack& stack, const std::string& target,
                const char* source = "127.0.0.1", const std::string& method = "GET") {
    const std::string reply = roundTrip(
        stack, method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n",
        source);
    const auto bodyStart = reply.find("\r\n\r\n");
    return bodyStart == std::string::npos ? "<no reply>" : reply.substr(bodyStart + 4);
}

// The processes under the script once every one has started (nginx forks a worker per core
// after it listens), or none when they have not after 10 s: the account server, the reader of
// its output, nginx's master and its workers. The script's poll sleeps (forked as "serve",
// then "sleep") come and go and are no part of it.
struct Part {
    pid_t pid, parent;
    std::string command;
};
std::vector<Part> partsOf(pid_t script) {
    const auto workers = static_cast<std::size_t>(::sysconf(_SC_NPROCESSORS_ONLN));
    std::vector<Part> parts;
    for (int i = 0; i < 1000 && parts.size() != 3 + workers; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(i == 0 ? 0 : 10));
        parts.clear();
        // Breadth first: the script's children, then those of each part found.
        for (std::size_t next = 0; next <= parts.size(); ++next) {
            const pid_t parent = next == 0 ? script : parts[next - 1].pid;
            const std::string task = "/proc/" + std::to_string(parent) + "/task/";
            std::ifstream children(task + std::to_string(parent) + "/children");
            for (pid_t child = 0; children >> child;) {
                std::string command;
                std::getline(std::ifstream("/proc/" + std::to_string(child) + "/comm"), command);
                if (command == "dovrix-account-" || command == "cat" || command == "nginx") {
                    parts.push_back({child, parent, command});
                }
            }
        }
    }
    return parts.size() == 3 + workers ? parts : std::vector<Part>{};
}

// What a process listens on: "tcp" for each TCP port, the path of each Unix socket.
std::vector<std::string> listeningOf(pid_t pid) {
    std::set<std::string> inodes;
    for (const auto& fd :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
        std::error_code error;
        const std::string link = std::filesystem::read_symlink(fd, error).string();
        if (link.starts_with("socket:[")) {
            inodes.insert(link.substr(8, link.size() - 9));
        }
    }
    std::vector<std::string> found;
    for (const std::string table : {"tcp", "tcp6", "unix"}) {
        std::ifstream lines("/proc/net/" + table);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            const std::vector<std::string> f(std::istream_iterator<std::string>(fields), {});
            // A listening TCP socket's state is 0A, its inode the tenth field; a listening Unix
            // socket's flags are 00010000, its inode the seventh field and its path the eighth.
            if (table != "unix" && f.size() > 9 && f[3] == "0A" && inodes.contains(f[9])) {
                found.push_back("tcp");
            } else if (table == "unix" && f.size() > 7 && f[3] == "00010000" &&
                       inodes.contains(f[6])) {
                found.push_back(f[7]);
            }
        }
    }
    return found;
}

TEST(ServeScript, ServerSeesTheGamesAddressNotNginxsLoopback) {
    ServedStack stack({"127.0.0.1/32", "127.0.0.2/32"});
    ASSERT_EQ(stack.firstLine(), "listening on " + stack.url()) << stack.errors();
    const std::string schoolLogin = "/dovrix/account?o=qel&u=pat.kim&p=";
    EXPECT_EQ(get(stack, schoolLogin, "127.0.0.2"), "1"); // on the school network
    // Off it, although nginx itself runs on a trusted address.
    EXPECT_EQ(get(stack, schoolLogin, "127.0.0.3"), "Invalid Username and/or Password");
    // No other local program can pose as nginx: the account server listens on nothing but a
    // Unix socket in a folder closed to other users.
    const auto parts = partsOf(static_cast<pid_t>(stack.scriptPid()));
    const auto server = std::find_if(parts.begin(), parts.end(), [](const Part& part) {
        return part.command.starts_with("dovrix-account-");
    });
    ASSERT_NE(server, parts.end());
    const auto sockets = listeningOf(server->pid);
    ASSERT_EQ(sockets.size(), 1u);
    EXPECT_EQ(
        std::filesystem::status(std::filesystem::path(sockets[0]).parent_path()).permissions() &
            std::filesystem::perms::others_all,
        std::filesystem::perms::none)
        << sockets[0];
}

// What nginx refuses itself reaches the game as a failure of that request, never as a page
// it would read as a level or a success.
TEST(ServeScript, NginxsOwnRefusalsAreFailuresToTheGame) {
    ServedStack stack;
    ASSERT_EQ(stack.firstLine(), "listening on " + stack.url()) << stack.errors();
    const std::string update = "/dovrix/account?o=update&u=sam&p=pw&l=9";
    EXPECT_EQ(get(stack, update, "127.0.0.1", "POST"), "Error Updating Account");
    EXPECT_EQ(get(stack, "/dovrix/account?o=login&u=sam&p=pw", "127.0.0.1", "PUT"),
              "Error Creating Account");
    EXPECT_EQ(get(stack, update + "&x=" + std::string(5000, 'x')), ""); // too long for nginx
}

// Whether the process has ended (a zombie has) within 5 s.
bool endsSoon(pid_t pid) {
    for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
        std::string stat;
        std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), stat);
        if (stat.empty() || stat.substr(stat.rfind(')') + 2, 1) == "Z") {
            return true;
        }
    }
    return false;
}

TEST(ServeScript, WhenEitherPartEndsTheOtherIsStoppedAndTheScriptFails) {
    for (const std::string dying : {"dovrix-account-", "nginx"}) {
        ServedStack stack;
        ASSERT_EQ(stack.firstLine(), "listening on " + stack.url()) << stack.errors();
        const pid_t script = static_cast<pid_t>(stack.scriptPid());
        const auto parts = partsOf(script);
        // The script's own child of that name: nginx's master, not one of its workers.
        const auto victim = std::find_if(parts.begin(), parts.end(), [&](const Part& part) {
            return part.parent == script && part.command.starts_with(dying);
        });
        ASSERT_NE(victim, parts.end()) << "not every part started";
        ::kill(victim->pid, SIGKILL);
        // The script notices within a fifth of a second and gives the other part 2.5 s.
        EXPECT_EQ(stack.exitCodeWithin(30000), std::optional<int>(1)) << dying;
        for (const Part& part : parts) {
            EXPECT_TRUE(endsSoon(part.pid)) << dying << ": " << part.command << " still runs";
        }
    }
}

// An administrator downloads the whole school as CSV through nginx: the server streams it in
// pieces as it reads the students, and every line of a school of thousands arrives, up to the
// reply's last chunk.
TEST(ServeScript, TheWholeSchoolsCsvStreamsThroughNginxToItsLastLine) {
    ServedStack stack;
    ASSERT_EQ(stack.firstLine(), "listening on " + stack.url()) << stack.errors();
    // The student list as an import leaves it, beside the running service; the passwords'
    // hash is made once, at the smallest cost, since nobody logs in with them.
    constexpr int kStudents = 20000;
    char hash[crypto_pwhash_STRBYTES];
    ASSERT_EQ(crypto_pwhash_str(hash, "unused", 6, crypto_pwhash_OPSLIMIT_MIN,
                                crypto_pwhash_MEMLIMIT_MIN),
              0);
    std::vector<server::StudentRecord> students;
    for (int i = 0; i < kStudents; ++i) {
        const std::string name = "student" + std::to_string(i);
        students.push_back({name, hash, name, "Class " + std::to_string(i % 400)});
    }
    EXPECT_TRUE(server::AccountStore(stack.database()).importStudents(students, false).empty());
    QProcess addTeacher;
    addTeacher.start(DOVRIX_ACCOUNT_SERVER, {"add-teacher", "it.office", "--admin", "--db",
                                             QString::fromStdString(stack.database())});
    addTeacher.write("the office's password\n");
    addTeacher.closeWriteChannel();
    ASSERT_TRUE(addTeacher.waitForFinished(60000) && addTeacher.exitCode() == 0)
        << addTeacher.readAllStandardError().toStdString();

    // A reply cut short, its last chunk (size 0) missing, is an error to the client.
    httplib::SSLClient client("127.0.0.1", stack.port());
    client.set_ca_cert_path(stack.authorityFile());
    const std::string origin = "https://127.0.0.1:" + std::to_string(stack.port());
    const auto signedIn = client.Post("/dovrix/console/sign-in", {{"Origin", origin}},
                                      "name=it.office&password=the+office%27s+password",
                                      "application/x-www-form-urlencoded");
    ASSERT_TRUE(signedIn && signedIn->has_header("Set-Cookie"))
        << httplib::to_string(signedIn.error());
    const std::string cookie = signedIn->get_header_value("Set-Cookie");
    client.set_read_timeout(std::chrono::seconds(60));
    const auto reply =
        client.Get("/dovrix/console/school.csv", {{"Cookie", cookie.substr(0, cookie.find(';'))}});
    ASSERT_TRUE(reply) << httplib::to_string(reply.error());
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(reply->get_header_value("Transfer-Encoding"), "chunked");
    // The header line, then one line per student, by class and name.
    const std::string& csv = reply->body;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), kStudents + 1);
    EXPECT_TRUE(csv.ends_with("Class 99,student99,student99,1,no,0,\r\n"))
        << csv.substr(csv.size() > 200 ? csv.size() - 200 : 0);
}

TEST(ServeScript, SlowClientsDelayNoOneAndSigtermStopsTheStack) {
    ServedStack stack;
    ASSERT_EQ(stack.firstLine(), "listening on " + stack.url()) << stack.errors();
    ASSERT_EQ(get(stack, "/dovrix/account?o=create&u=sam&p=pw"), "Success");

    // More slow clients than the account server has threads, each a few bytes into its
    // request; between their bytes a game's updates are answered at once.
    const std::string slowRequest = "GET /dovrix/account?o=qel&u=slow&p= HTTP/1.1\r\n";
    std::vector<std::unique_ptr<QSslSocket>> slow;
    std::generate_n(std::back_inserter(slow), 40, [&] { return connectTo(stack, "127.0.0.4"); });
    for (int level = 2; level <= 4; ++level) {
        for (const auto& socket : slow) {
            socket->write(slowRequest.substr(static_cast<std::size_t>(level - 2), 1).c_str());
            socket->waitForBytesWritten(1000);
        }
        EXPECT_EQ(get(stack, "/dovrix/account?o=update&u=sam&p=pw&l=" + std::to_string(level)),
                  "OK");
    }
    EXPECT_EQ(stack.storedLevel("sam"), std::optional<int>(4));

    // Stopped with the slow clients still connected, within 3 s (the maximum: still running
    // after 10 s).
    EXPECT_LT(stack.stop().value_or(std::chrono::milliseconds::max()).count(), 3000);
}

} // namespace
} // namespace dovrix::testing
