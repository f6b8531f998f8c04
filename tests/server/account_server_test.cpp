// The account server answering over loopback, in this process, with a fresh database.

#include "catalogue.h"
#include "command_line.h"
#include "rate_limit.h"
#include "running_account_server.h"
#include "student_import.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace dovrix::testing {
namespace {

const std::string kInvalid = "Invalid Username and/or Password";

// Account requests (the query after "/dovrix/account?") and their replies, in order.
using Exchanges = std::vector<std::pair<std::string, std::string>>;

class ServerTest : public ::testing::Test {
protected:
    void startServer(server::ServerOptions options) {
        server_.reset();
        server_ = std::make_unique<RunningAccountServer>(std::move(options));
    }
    void startServer() { startServer(serverOptions(database())); }
    std::string database() const { return folder_.file("accounts.sqlite"); }

    // A request as written, unencoded, with `client` in X-Real-IP as nginx passes it on (a
    // server without --trusted-proxy ignores it).
    httplib::Result send(const std::string& method, const std::string& target,
                         const std::string& client = "127.0.0.1") {
        httplib::Client connection("127.0.0.1", server_->port());
        connection.set_url_encode(false);
        httplib::Request request;
        request.method = method;
        request.path = target;
        request.headers.emplace("X-Real-IP", client);
        return connection.send(request);
    }
    std::string body(const std::string& target, const std::string& client = "127.0.0.1") {
        const auto reply = send("GET", target, client);
        return reply ? reply->body : "<no reply>";
    }
    // A request with the status and body expected, sent by `client`.
    struct Exchange {
        std::string target;
        int status;
        std::string body;
        std::string method = "GET";
        std::string client = "127.0.0.1";
    };
    void expectExchanges(const std::vector<Exchange>& exchanges) {
        for (const Exchange& e : exchanges) {
            const auto reply = send(e.method, e.target, e.client);
            ASSERT_TRUE(reply) << e.target;
            EXPECT_EQ(std::pair(reply->status, reply->body), std::pair(e.status, e.body))
                << e.method << ' ' << e.target << " from " << e.client;
        }
    }
    void expectReplies(const Exchanges& exchanges) {
        for (const auto& [query, reply] : exchanges) {
            EXPECT_EQ(body("/dovrix/account?" + query), reply) << query;
        }
    }
    void importStudents(const std::string& csv) {
        const std::string file = folder_.file("students.csv");
        std::ofstream(file) << csv;
        const auto imported = server::importStudentFile(file, database());
        ASSERT_TRUE(imported) << imported.error();
    }
    std::vector<int> pars() {
        std::istringstream list(body("/dovrix/pars"));
        std::vector<int> values;
        for (std::string entry; std::getline(list, entry, ',');) {
            values.push_back(std::stoi(entry));
        }
        return values;
    }
    TempFolder folder_;
    std::unique_ptr<RunningAccountServer> server_;
};

TEST_F(ServerTest, OnlineAccountKeepsTheHighestLevelItWasSent) {
    startServer();
    expectReplies({
        {"o=create&u=Mary&p=secret", "Success"},
        // User names are one name whatever their case; passwords are not.
        {"o=create&u=MARY&p=other", "Username Already Exists"},
        {"o=login&u=mary&p=secret", "1"},
        {"o=login&u=mary&p=Secret", kInvalid},
        {"o=login&u=nobody&p=secret", kInvalid},
        {"o=update&u=mary&p=secret&l=57", "OK"},
        {"o=update&u=mary&p=secret&l=12", "OK"},
        {"o=login&u=Mary&p=secret", "57"},
        {"o=update&u=mary&p=secret&l=101", "OK"},
        {"o=login&u=mary&p=secret", "101"},
        {"o=update&u=mary&p=wrong&l=5", kInvalid},
        {"o=update&u=ghost&p=secret&l=5", kInvalid},
        // Percent-encoded characters arrive as typed.
        {"o=create&u=a%26b%20%23%25%2Bc&p=p%26w%3D1%20%23", "Success"},
        {"o=login&u=a%26b%20%23%25%2Bc&p=p%26w%3D1%20%23", "1"},
        {"o=login&u=a&p=p", kInvalid},
    });
    // A restarted server still knows everything: nothing lives only in memory.
    startServer();
    expectReplies(
        {{"o=login&u=mary&p=secret", "101"}, {"o=create&u=mary&p=x", "Username Already Exists"}});
}

// Whatever goes wrong, the reply is the failure text the operation's client knows, so no
// game reads a refusal as a level or a success; and nothing changes.
TEST_F(ServerTest, RefusalsCarryTheFailureTextOfTheirOperation) {
    startServer();
    expectReplies({{"o=create&u=m&p=s", "Success"}, {"o=qel&u=pat.kim&p=", "1"}});
    const std::string creating = "Error Creating Account";
    const std::string updating = "Error Updating Account";
    // 25 characters as the login box counts them: UTF-16 code units.
    std::string chinese25;
    std::string astral12;
    for (int i = 0; i < 25; ++i) {
        chinese25 += "%E5%AD%97";
    }
    for (int i = 0; i < 12; ++i) {
        astral12 += "%F0%9F%98%80";
    }
    const std::string a = "/dovrix/account?";
    expectExchanges({
        {a, 400, ""},
        {a + "o=fly&u=m&p=s", 400, ""},
        {a + "u=m&p=s&l=60", 400, ""},
        {a + "o=login&p=s", 400, creating},
        {a + "o=login&u=m", 400, creating},
        {a + "o=login&u=m&p=", 400, creating},
        {a + "o=create&u=&p=x", 400, creating},
        {a + "o=vorna&u=m&p=s=t", 400, creating},
        {a + "o=halvern&u=m&u=b&p=s", 400, creating},
        {a + "o=qel&u=pat.kim&p=x", 400, creating},
        {a + "o=login&u=m&p=s&", 400, creating},
        {a + "o=login&u=m&&p=s", 400, creating},
        {a + "o=login&u=m&p=%zz", 400, creating},
        // Typed names and passwords hold 1 to 25 UTF-16 code units, school names up to 64.
        {a + "o=create&u=" + std::string(26, 'n') + "&p=x", 400, creating},
        {a + "o=login&u=m&p=" + std::string(26, 'p'), 400, creating},
        {a + "o=create&u=" + chinese25 + "%E5%AD%97&p=x", 400, creating},
        {a + "o=create&u=" + astral12 + "%F0%9F%98%80&p=x", 400, creating},
        {a + "o=qel&u=" + std::string(65, 'n') + "&p=", 400, creating},
        // One spelling per name: no overlong forms, surrogates, code points past U+10FFFF or
        // stray bytes; no control characters.
        {a + "o=create&u=%C1%AD&p=x", 400, creating},
        {a + "o=create&u=%E0%81%AD&p=x", 400, creating},
        {a + "o=create&u=%ED%A0%80&p=x", 400, creating},
        {a + "o=create&u=%F4%90%80%80&p=x", 400, creating},
        {a + "o=create&u=m%FF&p=x", 400, creating},
        {a + "o=create&u=tab%09name&p=x", 400, creating},
        // School log-on names are not for the taking.
        {a + "o=create&u=pat.kim&p=x", 400, creating},
        {a + "o=create&u=new.pupil&p=x", 400, creating},
        {a + "o=update&u=m&p=s", 400, updating},
        {a + "o=update&u=m&p=s&l=", 400, updating},
        {a + "o=update&u=m&p=s&l=junk=60", 400, updating},
        {a + "o=update&u=m&p=s&l=60x", 400, updating},
        {a + "o=update&u=m&p=s&l=%2B60", 400, updating},
        {a + "o=update&u=m&p=s&l=0", 400, updating},
        {a + "o=update&u=m&p=s&l=102", 400, updating},
        {a + "o=update&u=m&p=s&l=4.5", 400, updating},
        {a + "o=update&u=m&p=s&l=60&l=70", 400, updating},
        {a + "o=update&u=m&p=s&l=60?x", 400, updating},
        // Only GET acts.
        {a + "o=update&u=m&p=s&l=60", 405, "", "HEAD"},
        {a + "o=update&u=m&p=s&l=60", 405, updating, "POST"},
        {a + "o=create&u=n&p=s", 405, creating, "DELETE"},
        {a + "o=update&u=m&p=s&l=60", 405, updating, "BREW"},
        {"/dovrix/pars?Level=5", 400, "Ignored"},
        {"/dovrix/pars?Level=five&Moves=3&Par=9", 400, "Ignored"},
        {"/dovrix/pars?Level=0&Moves=3&Par=9", 400, "Ignored"},
        {"/dovrix/pars?Level=101&Moves=3&Par=9", 400, "Ignored"},
        {"/dovrix/pars?Level=87&Moves=17&Par=19&Level=6", 400, "Ignored"},
        {"/dovrix/pars?Level=87&Moves=17=1&Par=19", 400, "Ignored"},
        {"/dovrix/pars?Level=87&Moves=17&Par=19", 405, "Ignored", "POST"},
        {"/elsewhere", 404, ""},
    });
    expectReplies({{"o=login&u=m&p=s", "1"},
                   {"o=qel&u=pat.kim&p=", "1"},
                   {"o=login&u=n&p=s", kInvalid},
                   {"o=create&u=" + std::string(25, 'n') + "&p=" + std::string(25, 'p'), "Success"},
                   {"o=create&u=" + chinese25 + "&p=" + astral12, "Success"},
                   {"o=login&u=" + chinese25 + "&p=" + astral12, "1"},
                   {"o=qel&u=" + std::string(64, 'n') + "&p=", "1"}});
    EXPECT_EQ(pars(), server::catalogueParList());
}

TEST_F(ServerTest, StudentsSignInWithTheirSchoolPasswordOnceChecked) {
    startServer();
    // An online player whose name the district's list gives a student too.
    expectReplies({{"o=create&u=bob&p=online", "Success"}});
    // A header, a comment, an empty line, blanks around fields, quotes, and no final newline.
    importStudents("\xEF\xBB\xBFUserName,Password\r\n"
                   "# the district's list\n"
                   "\n"
                   "  John.Smith , school1 \r\n"
                   "\"ann.lee\",\"pa,ss\"\"word\"\n"
                   "bob,bobpass\n"
                   "mary,marypass");
    const std::string ann = "u=ann.lee&p=pa%2Css%22word";
    expectReplies({
        {"o=create&u=mary&p=x", "Username Already Exists"},
        // A school password never opens someone's online account.
        {"o=vorna&u=bob&p=bobpass", "Username Already Exists"},
        {"o=halvern&u=bob&p=bobpass", kInvalid},
        {"o=login&u=bob&p=online", "1"},
        {"o=vorna&u=john.smith&p=wrong", kInvalid},
        {"o=halvern&u=john.smith&p=school1", "1"},
        {"o=vorna&" + ann, "Success"},
        // With the game account made, the check answers a short text: the account's level.
        {"o=update&" + ann + "&l=23", "OK"},
        {"o=vorna&u=Ann.Lee&p=pa%2Css%22word", "23"},
        {"o=halvern&" + ann, "23"},
        {"o=halvern&u=ann.lee&p=wrong", kInvalid},
        // A school account is no online account.
        {"o=login&" + ann, kInvalid},
        {"o=vorna&u=nobody&p=school1", kInvalid},
    });
    // Re-importing replaces a student's password.
    importStudents("ann.lee,newpass\n");
    expectReplies({{"o=halvern&" + ann, kInvalid}, {"o=halvern&u=ann.lee&p=newpass", "23"}});
}

TEST_F(ServerTest, SchoolLoginAndPasswordlessUpdatesOnlyFromTheSchoolNetwork) {
    startServer();
    expectReplies({
        {"o=create&u=homeplayer&p=secret", "Success"},
        {"o=qel&u=pat.kim&p=", "1"},
        {"o=update&u=pat.kim&p=&l=40", "OK"},
        {"o=qel&u=pat.kim&p=", "40"},
        {"o=qel&u=pat.kim", "40"},
        {"o=qel&u=&p=", "Error Creating Account"},
        // A school log-on name never opens someone's online account.
        {"o=qel&u=homeplayer&p=", kInvalid},
        {"o=update&u=homeplayer&p=&l=90", kInvalid},
    });
    startServer(serverOptions(database(), {"--trust", "10.0.0.0/8"}));
    expectReplies({{"o=qel&u=pat.kim&p=", kInvalid},
                   {"o=qel&u=new.pupil&p=", kInvalid},
                   {"o=update&u=pat.kim&p=&l=50", kInvalid}});
    startServer();
    expectReplies({{"o=qel&u=pat.kim&p=", "40"}, {"o=qel&u=new.pupil&p=", "1"}});
}

TEST_F(ServerTest, ParListStartsFromTheCatalogueAndGoesDownOnlyToTheProvenOptimum) {
    startServer(serverOptions(database(), {"--trusted-proxy", "127.0.0.1"}));
    // Long enough that a game does not take it for an error text.
    EXPECT_GE(body("/dovrix/pars").size(), 290u);
    std::vector<int> expected = server::catalogueParList();
    ASSERT_EQ(expected.size(), 100u);
    EXPECT_EQ(pars(), expected);

    // Level 87's par is 19, its proven optimum 16; level 5's par is its optimum.
    ASSERT_EQ(expected[86], 19);
    ASSERT_EQ(provenOptimum(87), 16);
    ASSERT_EQ(provenOptimum(5), expected[4]);
    const std::string level87 = "/dovrix/pars?Par=19&Level=87&Moves=";
    const std::string from = "10.0.0.7";
    expectExchanges({
        {"/dovrix/pars?Level=5&Par=14&Moves=" + std::to_string(expected[4] - 1), 400, "Ignored",
         "GET", from},
        {level87 + "15", 400, "Ignored", "GET", from},
        {level87 + "0", 400, "Ignored", "GET", from},
        {level87 + "-3", 400, "Ignored", "GET", from},
        {level87 + "17.5", 400, "Ignored", "GET", from},
        {level87 + "19", 200, "Ignored", "GET", from},
        {level87 + "18", 200, "OK", "GET", from},
        {level87 + "18", 200, "Ignored", "GET", from},
        {level87 + "17", 200, "OK", "GET", from},
        {level87 + "16", 200, "OK", "GET", from},
        // Ten uploads from one address in ten minutes; the eleventh changes nothing.
        {level87 + "16", 429, "Ignored", "GET", from},
        {level87 + "16", 200, "Ignored", "GET", "10.0.0.8"},
    });
    expected[86] = 16;
    EXPECT_EQ(pars(), expected);

    // A database whose pars an earlier server let anyone lower is repaired when it starts.
    startServer();
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(database().c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "UPDATE pars SET par = 1", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    startServer();
    EXPECT_EQ(pars(), expected);
}

// Online guessing: ten wrong passwords per account from one address in ten minutes, and a
// hundred in all; past either, that address gets no answer to any password for the account
// (or for any account), while the owners elsewhere still log in.
TEST_F(ServerTest, WrongPasswordsFromOneAddressLockOnlyThatAddressOut) {
    startServer(serverOptions(database(), {"--trusted-proxy", "127.0.0.1"}));
    const auto login = [](int account, const std::string& password) {
        return "/dovrix/account?o=login&u=m" + std::to_string(account) + "&p=" + password;
    };
    for (int account = 0; account <= 10; ++account) {
        EXPECT_EQ(body("/dovrix/account?o=create&u=m" + std::to_string(account) + "&p=secret"),
                  "Success");
    }
    const std::string attacker = "203.0.113.5";
    const std::string elsewhere = "198.51.100.1";
    for (int guess = 0; guess < 10; ++guess) {
        EXPECT_EQ(body(login(0, "guess" + std::to_string(guess)), attacker), kInvalid);
    }
    expectExchanges({
        {login(0, "secret"), 429, "Error Creating Account", "GET", attacker},
        {login(0, "guess"), 429, "Error Creating Account", "GET", attacker},
        {"/dovrix/account?o=update&u=M0&p=secret&l=9", 429, "Error Updating Account", "GET",
         attacker},
        {login(0, "secret"), 200, "1", "GET", elsewhere},
        {login(0, "guess"), 200, kInvalid, "GET", elsewhere},
        {login(10, "secret"), 200, "1", "GET", attacker},
    });
    for (int account = 1; account < 10; ++account) {
        for (int guess = 0; guess < 10; ++guess) {
            EXPECT_EQ(body(login(account, "guess" + std::to_string(guess)), attacker), kInvalid);
        }
    }
    expectExchanges({{login(10, "secret"), 429, "Error Creating Account", "GET", attacker},
                     {login(10, "secret"), 200, "1", "GET", elsewhere}});
}

// Password hashes, running or waiting, take at most half the request threads: a flood of
// new accounts is partly refused at once rather than holding every thread.
TEST_F(ServerTest, AFloodOfPasswordHashesIsPartlyRefused) {
    startServer(serverOptions(database(), {"--threads", "16"}));
    const unsigned flood = 16;
    std::vector<std::string> replies(flood);
    std::vector<int> statuses(flood);
    std::vector<std::thread> clients;
    for (unsigned i = 0; i < flood; ++i) {
        clients.emplace_back([&, i] {
            const auto reply =
                send("GET", "/dovrix/account?o=create&u=new" + std::to_string(i) + "&p=pw");
            replies[i] = reply ? reply->body : "<no reply>";
            statuses[i] = reply ? reply->status : 0;
        });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    const auto created = std::count(replies.begin(), replies.end(), "Success");
    const auto busy = std::count(statuses.begin(), statuses.end(), 503);
    EXPECT_GE(created, 1);
    EXPECT_GE(busy, 1);
    EXPECT_EQ(created + busy, flood);
    EXPECT_EQ(std::count(replies.begin(), replies.end(), "Error Creating Account"), busy);
}

TEST(CredentialCache, RemembersOnlyTheExactCredentials) {
    ASSERT_TRUE(server::initialisePasswordHashing());
    server::CredentialCache cache(std::chrono::minutes(5), 2);
    cache.remember("mary", "$hash1", "secret");
    EXPECT_TRUE(cache.contains("mary", "$hash1", "secret"));
    EXPECT_FALSE(cache.contains("mary", "$hash1", "secreT"));
    EXPECT_FALSE(cache.contains("mary", "$hash2", "secret")); // password changed since
    EXPECT_FALSE(cache.contains("bob", "$hash1", "secret"));
    cache.forget("mary");
    EXPECT_FALSE(cache.contains("mary", "$hash1", "secret"));

    // Full of live entries, it starts afresh rather than growing.
    for (const char* user : {"a", "b", "c"}) {
        cache.remember(user, "h", "1");
    }
    EXPECT_TRUE(cache.contains("c", "h", "1"));
    EXPECT_FALSE(cache.contains("a", "h", "1"));

    server::CredentialCache disabled(std::chrono::seconds(0), 10);
    disabled.remember("mary", "$hash1", "secret");
    EXPECT_FALSE(disabled.contains("mary", "$hash1", "secret"));
}

// Counts within any window of its length, and keeps a bounded number of keys however many
// an attacker makes up: the key idle longest goes first.
TEST(RateLimit, CountsWithinTheWindowAndKeepsFewKeys) {
    using namespace std::chrono_literals;
    server::RateLimit limit(2, 10min, 2);
    const server::RateLimit::Clock::time_point t0{};
    EXPECT_TRUE(limit.take("a", t0));
    EXPECT_TRUE(limit.take("a", t0 + 5min));
    EXPECT_FALSE(limit.take("a", t0 + 9min));
    EXPECT_TRUE(limit.allows("b", t0 + 9min));
    EXPECT_TRUE(limit.take("a", t0 + 10min));
    EXPECT_FALSE(limit.allows("a", t0 + 14min));
    limit.record("b", t0 + 14min);
    limit.record("b", t0 + 14min);
    limit.record("c", t0 + 14min);
    EXPECT_TRUE(limit.allows("a", t0 + 14min));
    EXPECT_FALSE(limit.allows("b", t0 + 14min));
    limit.forget("b");
    EXPECT_TRUE(limit.allows("b", t0 + 14min));
}

TEST(AddressRanges, MatchAddressesInsideTheirPrefix) {
    const auto ranges = server::AddressRanges::parse("10.1.0.0/16, 192.168.5.7, fd00::/8");
    ASSERT_TRUE(ranges) << ranges.error();
    const auto loopback = server::AddressRanges::loopback();
    // IPv4 is also seen through an IPv6 socket.
    for (const char* inside : {"10.1.255.3", "192.168.5.7", "fd12::1", "::ffff:10.1.2.3"}) {
        EXPECT_TRUE(ranges->contains(inside)) << inside;
    }
    for (const char* outside : {"10.2.0.1", "192.168.5.6", "fe80::1", "not an address"}) {
        EXPECT_FALSE(ranges->contains(outside)) << outside;
    }
    for (const char* inside : {"127.0.0.1", "127.8.9.10", "::1"}) {
        EXPECT_TRUE(loopback.contains(inside)) << inside;
    }
    EXPECT_FALSE(loopback.contains("10.0.0.1"));
    EXPECT_TRUE(server::AddressRanges::parse("0.0.0.0/0")->contains("8.8.8.8"));
    for (const char* bad : {"10.0.0.0/33", "10.0.0/8", "::1/129", "10.0.0.0/", "10.0.0.0/x"}) {
        EXPECT_FALSE(server::AddressRanges::parse(bad)) << bad;
    }
}

TEST(StudentList, RefusesAListWithABrokenLineAndNamesIt) {
    const std::string longName(65, 'n');
    for (const std::string& bad :
         std::vector<std::string>{"a\n", "a,b,c\n", "ok,1\n,pw\n", "a,\n", "\"a,b\n", "\"a\"x,b\n",
                                  "ann\xC3,pw\n", longName + ",pw\n"}) {
        EXPECT_FALSE(server::readStudentList(bad)) << bad;
    }
    EXPECT_TRUE(server::readStudentList(longName.substr(1) + ",pw\n"));
    EXPECT_EQ(server::readStudentList("ok,1\nbad\n").error(),
              "line 2: expected a user name and a password");
}

} // namespace
} // namespace dovrix::testing
