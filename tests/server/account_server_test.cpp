// The account server answering over loopback, in this process, with a fresh database.

#include "account_reply.h"
#include "catalogue.h"
#include "rate_limit.h"
#include "running_account_server.h"
#include "sql.h"
#include "student_import.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <fstream>
#include <ranges>

namespace dovrix::testing {
namespace {

// Account queries (the part after "/dovrix/account?"), each with the body of its reply after
// " -> ".
using Exchanges = std::vector<std::string>;

class ServerTest : public ::testing::Test {
protected:
    void startServer(const std::vector<std::string>& arguments = {}) {
        server_.reset();
        server_ = std::make_unique<RunningAccountServer>(serverOptions(database(), arguments));
        socket_ = std::ranges::count(arguments, "--socket") ? folder_.file("account.sock") : "";
    }
    // Through the Unix socket that nginx uses, which names the client.
    void startBehindFrontEnd(std::vector<std::string> arguments = {}) {
        arguments.insert(arguments.end(), {"--socket", folder_.file("account.sock")});
        startServer(arguments);
    }
    std::string database() const { return folder_.file("accounts.sqlite"); }

    std::pair<int, std::string> send(const std::string& target, const std::string& method = "GET",
                                     const std::string& client = "127.0.0.1") {
        return accountReply(server_->port(), socket_, target, client, method);
    }
    // Every target answered with `status` and `reply`.
    void expectAll(int status, const std::string& reply, const std::vector<std::string>& targets,
                   const std::string& method = "GET", const std::string& client = "127.0.0.1") {
        for (const std::string& target : targets) {
            EXPECT_EQ(send(target, method, client), std::pair(status, reply))
                << method << ' ' << target << " from " << client;
        }
    }
    void expectReplies(const Exchanges& exchanges) {
        for (const std::string& exchange : exchanges) {
            const auto arrow = exchange.find(" -> ");
            EXPECT_EQ(send(exchange.substr(0, arrow)).second, exchange.substr(arrow + 4))
                << exchange;
        }
    }
    void importStudents(const std::string& csv) {
        std::ofstream(folder_.file("students.csv")) << csv;
        const auto imported = server::importStudentFile(folder_.file("students.csv"), database());
        ASSERT_TRUE(imported) << imported.error();
    }
    std::vector<int> pars() {
        std::vector<int> values;
        for (const auto entry : std::views::split(send("/dovrix/pars").second, ',')) {
            values.push_back(std::stoi(std::string(entry.begin(), entry.end())));
        }
        return values;
    }
    TempFolder folder_;
    std::unique_ptr<RunningAccountServer> server_;
    std::string socket_;
};

TEST_F(ServerTest, OnlineAccountKeepsTheHighestLevelItWasSent) {
    startServer();
    expectReplies(
        {"o=create&u=Mary&p=secret -> Success",
         // User names are one name whatever their case; passwords are not.
         "o=create&u=MARY&p=other -> Username Already Exists", "o=login&u=mary&p=secret -> 1",
         "o=login&u=mary&p=Secret -> " + kInvalid, "o=login&u=nobody&p=secret -> " + kInvalid,
         "o=update&u=mary&p=secret&l=57 -> OK", "o=update&u=mary&p=secret&l=12 -> OK",
         "o=login&u=Mary&p=secret -> 57", "o=update&u=mary&p=secret&l=101 -> OK",
         "o=login&u=mary&p=secret -> 101", "o=update&u=mary&p=wrong&l=5 -> " + kUpdating,
         "o=update&u=ghost&p=secret&l=5 -> " + kUpdating,
         // Percent-encoded characters arrive as typed.
         "o=create&u=a%26b%20%23%25%2Bc&p=p%26w%3D1%20%23 -> Success",
         "o=login&u=a%26b%20%23%25%2Bc&p=p%26w%3D1%20%23 -> 1", "o=login&u=a&p=p -> " + kInvalid});
    // A restarted server still knows everything: nothing lives only in memory.
    startServer();
    expectReplies(
        {"o=login&u=mary&p=secret -> 101", "o=create&u=mary&p=x -> Username Already Exists"});
}

// Whatever goes wrong, the reply is the failure text the operation's client knows, so no
// game reads a refusal as a level or a success; and nothing changes.
TEST_F(ServerTest, RefusalsCarryTheFailureTextOfTheirOperation) {
    startServer();
    expectReplies({"o=create&u=m&p=s -> Success", "o=qel&u=pat.kim&p= -> 1"});
    // 25 characters as the login box counts them: UTF-16 code units.
    std::string chinese25, astral12;
    for (int i = 0; i < 25; ++i) {
        chinese25 += "%E5%AD%97";
        astral12 += i < 12 ? "%F0%9F%98%80" : "";
    }
    expectAll(400, "", {"", "o=fly&u=m&p=s", "u=m&p=s&l=60"});
    expectAll(400, kCreating,
              {"o=login&p=s", "o=login&u=m", "o=login&u=m&p=", "o=create&u=&p=x",
               "o=vorna&u=m&p=s=t", "o=halvern&u=m&u=b&p=s", "o=qel&u=pat.kim&p=x",
               "o=login&u=m&p=s&", "o=login&u=m&&p=s", "o=login&u=m&p=%zz",
               // Typed names and passwords hold 1 to 25 UTF-16 code units, school names up to 64.
               "o=create&u=" + std::string(26, 'n') + "&p=x",
               "o=login&u=m&p=" + std::string(26, 'p'), "o=create&u=" + chinese25 + "%E5%AD%97&p=x",
               "o=create&u=" + astral12 + "%F0%9F%98%80&p=x",
               "o=qel&u=" + std::string(65, 'n') + "&p=",
               // Only UTF-8 (the text rules' test has every kind of byte that is not): no
               // overlong forms or stray bytes; no control characters.
               "o=create&u=%C1%AD&p=x", "o=create&u=m%FF&p=x", "o=create&u=tab%09name&p=x",
               // School log-on names are not for the taking.
               "o=create&u=pat.kim&p=x", "o=create&u=new.pupil&p=x"});
    expectAll(400, kUpdating,
              {"o=update&u=m&p=s", "o=update&u=m&p=s&l=", "o=update&u=m&p=s&l=junk=60",
               "o=update&u=m&p=s&l=60x", "o=update&u=m&p=s&l=%2B60", "o=update&u=m&p=s&l=0",
               "o=update&u=m&p=s&l=102", "o=update&u=m&p=s&l=4.5", "o=update&u=m&p=s&l=60&l=70",
               "o=update&u=m&p=s&l=60?x"});
    expectAll(400, "Ignored",
              {"/dovrix/pars?Level=5", "/dovrix/pars?Level=five&Moves=3&Par=9",
               "/dovrix/pars?Level=0&Moves=3&Par=9", "/dovrix/pars?Level=101&Moves=3&Par=9",
               "/dovrix/pars?Level=87&Moves=17&Par=19&Level=6",
               "/dovrix/pars?Level=87&Moves=17=1&Par=19"});
    expectAll(404, "", {"/elsewhere"});
    // Only GET acts.
    expectAll(405, "", {"o=update&u=m&p=s&l=60"}, "HEAD");
    expectAll(405, kUpdating, {"o=update&u=m&p=s&l=60"}, "POST");
    expectAll(405, kCreating, {"o=create&u=n&p=s"}, "DELETE");
    expectAll(405, kUpdating, {"o=update&u=m&p=s&l=60"}, "BREW");
    expectAll(405, "Ignored", {"/dovrix/pars?Level=87&Moves=17&Par=19"}, "POST");
    expectReplies(
        {"o=login&u=m&p=s -> 1", "o=qel&u=pat.kim&p= -> 1", "o=login&u=n&p=s -> " + kInvalid,
         "o=create&u=" + std::string(25, 'n') + "&p=" + std::string(25, 'p') + " -> Success",
         "o=create&u=" + chinese25 + "&p=" + astral12 + " -> Success",
         "o=login&u=" + chinese25 + "&p=" + astral12 + " -> 1",
         "o=qel&u=" + std::string(64, 'n') + "&p= -> 1"});
    EXPECT_EQ(pars(), server::catalogueParList());
}

TEST_F(ServerTest, StudentsSignInWithTheirSchoolPasswordOrFromTheSchoolNetwork) {
    startServer();
    // School log-on names: a game account on first use, without a password, and only from
    // the school network.
    expectReplies({"o=create&u=homeplayer&p=secret -> Success", "o=qel&u=pat.kim&p= -> 1",
                   "o=update&u=pat.kim&p=&l=40 -> OK", "o=qel&u=pat.kim&p= -> 40",
                   "o=qel&u=pat.kim -> 40", "o=qel&u=&p= -> " + kCreating,
                   // A school log-on name never opens someone's online account.
                   "o=qel&u=homeplayer&p= -> " + kInvalid,
                   "o=update&u=homeplayer&p=&l=90 -> " + kUpdating});
    startServer({"--trust", "10.0.0.0/8"});
    expectReplies({"o=qel&u=pat.kim&p= -> " + kInvalid, "o=qel&u=new.pupil&p= -> " + kInvalid,
                   "o=update&u=pat.kim&p=&l=50 -> " + kUpdating});
    startServer();
    expectReplies({"o=qel&u=pat.kim&p= -> 40", "o=qel&u=new.pupil&p= -> 1"});

    // A header, a comment, an empty line, blanks around fields, quotes, and no final newline.
    importStudents("\xEF\xBB\xBFUserName,Password\r\n# the district's list\n\n"
                   "  John.Smith , school1 \r\n\"ann.lee\",\"pa,ss\"\"word\"\nmary,marypass");
    const std::string ann = "u=ann.lee&p=pa%2Css%22word";
    expectReplies(
        {"o=create&u=mary&p=x -> Username Already Exists",
         "o=vorna&u=john.smith&p=wrong -> " + kInvalid, "o=halvern&u=john.smith&p=school1 -> 1",
         "o=vorna&" + ann + " -> Success",
         // With the game account made, the check answers a short text: the account's level.
         "o=update&" + ann + "&l=23 -> OK", "o=vorna&u=Ann.Lee&p=pa%2Css%22word -> 23",
         "o=halvern&" + ann + " -> 23", "o=halvern&u=ann.lee&p=wrong -> " + kInvalid,
         // A school account is no online account.
         "o=login&" + ann + " -> " + kInvalid, "o=vorna&u=nobody&p=school1 -> " + kInvalid});
    // Re-importing replaces a student's password.
    importStudents("ann.lee,newpass\n");
    expectReplies({"o=halvern&" + ann + " -> " + kInvalid, "o=halvern&u=ann.lee&p=newpass -> 23"});
}

TEST_F(ServerTest, ParListStartsFromTheCatalogueAndGoesDownOnlyToTheProvenOptimum) {
    startBehindFrontEnd();
    // Long enough that a game does not take it for an error text.
    EXPECT_GE(send("/dovrix/pars").second.size(), 290u);
    std::vector<int> expected = server::catalogueParList();
    EXPECT_EQ(pars(), expected);
    // A hundred levels; level 87's par is 19, its proven optimum 16; level 5's par is its
    // optimum.
    ASSERT_EQ(std::tuple(expected.size(), expected.at(86), provenOptimum(87), provenOptimum(5)),
              std::tuple(100u, 19, 16, expected[4]));
    const std::string level87 = "/dovrix/pars?Par=19&Level=87&Moves=", from = "10.0.0.7";
    expectAll(400, "Ignored",
              {"/dovrix/pars?Level=5&Par=14&Moves=" + std::to_string(expected[4] - 1),
               level87 + "15", level87 + "0", level87 + "-3", level87 + "17.5"},
              "GET", from);
    for (const auto& [moves, reply] : std::vector<std::pair<std::string, std::string>>{
             {"19", "Ignored"}, {"18", "OK"}, {"18", "Ignored"}, {"17", "OK"}, {"16", "OK"}}) {
        expectAll(200, reply, {level87 + moves}, "GET", from);
    }
    expected[86] = 16;
    EXPECT_EQ(pars(), expected);

    // A database whose pars an earlier server let anyone lower is repaired when it starts.
    sql(database(), "UPDATE pars SET par = 1");
    startServer();
    EXPECT_EQ(pars(), expected);
}

// One client flooding first logins holds at most two places at the password hasher, and the
// rest of its flood is refused at once: the first logins of others, sent meanwhile, all pass.
TEST_F(ServerTest, AFloodOfPasswordHashesFromOneClientDelaysNoOneElse) {
    startBehindFrontEnd({"--threads", "16"});
    std::vector<std::pair<int, std::string>> replies(20);
    std::vector<std::thread> clients;
    for (std::size_t i = 0; i < replies.size(); ++i) {
        clients.emplace_back([&, i] {
            replies[i] = send("o=create&u=new" + std::to_string(i) + "&p=pw", "GET",
                              i < 16 ? "203.0.113.5" : "198.51.100." + std::to_string(i));
        });
    }
    std::ranges::for_each(clients, &std::thread::join);
    const std::pair<int, std::string> created(200, "Success"), busy(503, kCreating);
    EXPECT_EQ(std::count(replies.begin() + 16, replies.end(), created), 4);
    EXPECT_EQ(std::count(replies.begin(), replies.begin() + 16, created) +
                  std::count(replies.begin(), replies.begin() + 16, busy),
              16);
}

TEST(CredentialCache, RemembersOnlyTheExactCredentials) {
    ASSERT_TRUE(server::initialisePasswordHashing());
    server::CredentialCache cache(std::chrono::minutes(5), 2);
    server::CredentialCache disabled(std::chrono::seconds(0), 10);
    cache.remember("mary", "$hash1", "secret");
    disabled.remember("mary", "$hash1", "secret");
    // Only the triple remembered: not another password, nor the same one under a new hash (the
    // password changed since), nor another user; and nothing when disabled.
    EXPECT_EQ((std::vector<bool>{cache.contains("mary", "$hash1", "secret"),
                                 cache.contains("mary", "$hash1", "secreT"),
                                 cache.contains("mary", "$hash2", "secret"),
                                 cache.contains("bob", "$hash1", "secret"),
                                 disabled.contains("mary", "$hash1", "secret")}),
              (std::vector<bool>{true, false, false, false, false}));
    cache.forget("mary");
    EXPECT_FALSE(cache.contains("mary", "$hash1", "secret"));
    // Full of live entries, it starts afresh rather than growing.
    for (const char* user : {"a", "b", "c"}) {
        cache.remember(user, "h", "1");
    }
    EXPECT_EQ(std::pair(cache.contains("c", "h", "1"), cache.contains("a", "h", "1")),
              std::pair(true, false));
}

// Counts within any window of its length, reserves before the work it guards, and keeps a
// fixed table however many keys an attacker makes up: the key idle longest goes first.
TEST(RateLimit, CountsWithinTheWindowAndKeepsAFixedTable) {
    using namespace std::chrono_literals;
    server::RateLimit limit(2, 10min, 8);
    const server::RateLimit::Clock::time_point t0{};
    // The list's elements are worked out in order. An event counts for eleven minutes.
    EXPECT_EQ((std::vector<bool>{limit.take("a", t0), limit.take("a", t0 + 5min),
                                 limit.take("a", t0 + 10min), limit.allows("b", t0 + 9min),
                                 limit.take("a", t0 + 11min), limit.allows("a", t0 + 14min)}),
              (std::vector<bool>{true, true, false, true, true, false}));
    limit.giveBack("a", t0 + 11min);
    EXPECT_TRUE(limit.allows("a", t0 + 14min));
    // Wherever in a tenth an event falls, it counts for the whole window after it, and is
    // gone eleven tenths on.
    for (const auto phase : {0s, 1s, 59s}) {
        server::RateLimit one(1, 10min, 8);
        const auto at = t0 + 20min + phase;
        EXPECT_EQ((std::vector<bool>{one.take("x", at), one.allows("x", at + 10min - 1ns),
                                     one.allows("x", at + 11min)}),
                  (std::vector<bool>{true, false, true}))
            << phase.count();
    }
    for (int key = 0; key < 1000; ++key) {
        limit.take("k" + std::to_string(key), t0 + 15min + key * 1ms);
    }
    EXPECT_TRUE(limit.take("k999", t0 + 16min) && !limit.take("k999", t0 + 16min));
    EXPECT_TRUE(limit.take("k0", t0 + 16min) && limit.take("k0", t0 + 16min));
}

TEST(AddressRanges, MatchAddressesInsideTheirPrefix) {
    const auto ranges = server::AddressRanges::parse("10.1.0.0/16, 192.168.5.7, fd00::/8");
    ASSERT_TRUE(ranges) << ranges.error();
    // Which of the addresses each set holds; IPv4 is also seen through an IPv6 socket.
    const auto held = [](const server::AddressRanges& set) {
        std::string marks;
        for (const char* address :
             {"10.1.255.3", "192.168.5.7", "fd12::1", "::ffff:10.1.2.3", "10.2.0.1", "192.168.5.6",
              "fe80::1", "not an address", "127.0.0.1", "127.8.9.10", "::1", "8.8.8.8"}) {
            marks += set.contains(address) ? '1' : '0';
        }
        return marks;
    };
    EXPECT_EQ(held(*ranges), "111100000000");
    EXPECT_EQ(held(server::AddressRanges::loopback()), "000000001110");
    EXPECT_EQ(held(*server::AddressRanges::parse("0.0.0.0/0")), "110111001101");
    for (const char* bad : {"10.0.0.0/33", "10.0.0/8", "::1/129", "10.0.0.0/", "10.0.0.0/x"}) {
        EXPECT_FALSE(server::AddressRanges::parse(bad)) << bad;
    }
}

TEST(StudentList, RefusesAListWithABrokenLineAndNamesIt) {
    const std::string longName(65, 'n');
    for (const std::string& bad :
         std::vector<std::string>{"a\n", "a,b,c,d\n", "ok,1\n,pw\n", "a,\n", "\"a,b\n", "\"a\"x,b\n",
                                  "ann\xC3,pw\n", longName + ",pw\n"}) {
        EXPECT_FALSE(server::readStudentList(bad)) << bad;
    }
    EXPECT_TRUE(server::readStudentList(longName.substr(1) + ",pw\n"));
    EXPECT_EQ(server::readStudentList("ok,1\nbad\n").error(),
              "line 2: expected a user name, a password and an optional class");
}

} // namespace
} // namespace dovrix::testing
