// The account server answering over loopback, in this process, with a fresh database.

#include "command_line.h"
#include "running_account_server.h"
#include "student_import.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <httplib.h>

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

    httplib::Result get(const std::string& target) {
        httplib::Client client("127.0.0.1", server_->port());
        return client.Get(target);
    }
    std::string body(const std::string& target) {
        const auto reply = get(target);
        return reply ? reply->body : "<no reply>";
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
    std::string upload(int level, int moves) {
        return body("/dovrix/pars?Level=" + std::to_string(level) +
                    "&Moves=" + std::to_string(moves) + "&Par=9");
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
        {"o=login&u=mary&p=", kInvalid},
        {"o=update&u=mary&p=secret&l=57", "OK"},
        {"o=update&u=mary&p=secret&l=12", "OK"},
        {"o=login&u=Mary&p=secret", "57"},
        {"o=update&u=mary&p=secret&l=101", "OK"},
        {"o=login&u=mary&p=secret", "101"},
        {"o=update&u=mary&p=wrong&l=5", kInvalid},
        {"o=update&u=ghost&p=secret&l=5", kInvalid},
        {"o=create&u=&p=x", "Error Creating Account"},
        {"o=create&u=x&p=", "Error Creating Account"},
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

TEST_F(ServerTest, MalformedRequestsAreRefusedAndChangeNothing) {
    startServer();
    expectReplies({{"o=create&u=m&p=s", "Success"}});
    const std::string longName(65, 'n');
    std::vector<std::string> targets = {"/dovrix/account?o=create&u=" + longName + "&p=x"};
    for (const char* query :
         {"", "?u=m&p=s", "?o=fly&u=m&p=s", "?o=login&p=s", "?o=login&u=m", "?o=update&u=m&p=s",
          "?o=update&u=m&p=s&l=", "?o=update&u=m&p=s&l=60x", "?o=update&u=m&p=s&l=+60",
          "?o=update&u=m&p=s&l=0", "?o=update&u=m&p=s&l=102", "?o=update&u=m&p=s&l=4.5",
          "?o=update&u=m&u=b&p=s&l=60", "?o=update&u=m&p=s&l=60&l=70",
          "?o=create&u=tab%09name&p=x"}) {
        targets.push_back(std::string("/dovrix/account") + query);
    }
    for (const char* query :
         {"?Level=5", "?Level=5&Moves=3", "?Level=five&Moves=3&Par=9", "?Level=0&Moves=3&Par=9",
          "?Level=101&Moves=3&Par=9", "?Level=5&Moves=3&Par=9&Level=6"}) {
        targets.push_back(std::string("/dovrix/pars") + query);
    }
    for (const std::string& target : targets) {
        const auto reply = get(target);
        ASSERT_TRUE(reply) << target;
        EXPECT_EQ(reply->status, 400) << target;
        EXPECT_FALSE(reply->body.empty()) << target;
    }
    expectReplies(
        {{"o=login&u=m&p=s", "1"}, {"o=create&u=" + longName.substr(1) + "&p=x", "Success"}});
    EXPECT_EQ(pars(), server::catalogueParList());
    EXPECT_EQ(get("/elsewhere")->status, 404);
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
    auto options = serverOptions(database());
    options.trusted = *server::AddressRanges::parse("10.0.0.0/8");
    startServer(options);
    expectReplies({{"o=qel&u=pat.kim&p=", kInvalid},
                   {"o=qel&u=new.pupil&p=", kInvalid},
                   {"o=update&u=pat.kim&p=&l=50", kInvalid}});
    startServer();
    expectReplies({{"o=qel&u=pat.kim&p=", "40"}, {"o=qel&u=new.pupil&p=", "1"}});
}

TEST_F(ServerTest, ParListStartsFromTheCatalogueAndOnlyGoesDown) {
    startServer();
    // Long enough that a game does not take it for an error text.
    EXPECT_GE(body("/dovrix/pars").size(), 290u);
    std::vector<int> expected = server::catalogueParList();
    ASSERT_EQ(expected.size(), 100u);
    EXPECT_EQ(pars(), expected);

    const int level5 = expected[4];
    ASSERT_GT(level5, 2);
    EXPECT_EQ(upload(5, level5), "Ignored");
    EXPECT_EQ(upload(5, 0), "Ignored");
    EXPECT_EQ(upload(5, -3), "Ignored");
    EXPECT_EQ(pars(), expected);
    EXPECT_EQ(upload(5, level5 - 1), "OK");
    expected[4] = level5 - 1;
    EXPECT_EQ(pars(), expected);

    // Once a level's optimum is proven, no claim goes below it, and a restart repairs a par
    // that an earlier claim pushed below it.
    EXPECT_EQ(upload(7, 1), "OK");
    auto options = serverOptions(database());
    options.service.provenOptimum = [](int level) {
        return level == 7 || level == 9 ? std::optional<int>(2) : std::nullopt;
    };
    startServer(options);
    expected[6] = 2;
    EXPECT_EQ(pars(), expected);
    EXPECT_EQ(upload(9, 1), "Ignored");
    EXPECT_EQ(upload(9, 2), "OK");
    expected[8] = 2;
    EXPECT_EQ(pars(), expected);
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
    for (const char* bad : {"a\n", "a,b,c\n", "ok,1\n,pw\n", "a,\n", "\"a,b\n", "\"a\"x,b\n"}) {
        EXPECT_FALSE(server::readStudentList(bad)) << bad;
    }
    EXPECT_EQ(server::readStudentList("ok,1\nbad\n").error(),
              "line 2: expected a user name and a password");
}

} // namespace
} // namespace dovrix::testing
