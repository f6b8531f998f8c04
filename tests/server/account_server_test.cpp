// The account server answering over loopback, in this process, with a fresh database.

#include "command_line.h"
#include "running_account_server.h"
#include "student_import.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <fstream>
#include <map>

namespace dovrix::testing {
namespace {

struct Reply {
    int status;
    std::string body;
};

class ServerTest : public ::testing::Test {
protected:
    void startServer(server::ServerOptions options) {
        server_.reset();
        server_ = std::make_unique<RunningAccountServer>(std::move(options));
    }
    void startServer() { startServer(serverOptions(database())); }

    std::string database() const { return folder_.file("accounts.sqlite"); }

    Reply get(const std::string& target) {
        httplib::Client client("127.0.0.1", server_->port());
        const auto result = client.Get(target.c_str());
        if (!result) {
            ADD_FAILURE() << "no reply to " << target;
            return {0, ""};
        }
        return {result->status, result->body};
    }
    std::string account(const std::string& query) { return get("/dovrix/account?" + query).body; }

    void importStudents(const std::string& csv) {
        const std::string file = folder_.file("students.csv");
        std::ofstream(file) << csv;
        const auto imported = server::importStudentFile(file, database());
        ASSERT_TRUE(imported) << imported.error();
    }

    std::vector<std::string> parEntries() {
        const std::string list = get("/dovrix/pars").body;
        std::vector<std::string> entries;
        std::size_t start = 0;
        while (true) {
            const std::size_t comma = list.find(',', start);
            entries.push_back(list.substr(start, comma - start));
            if (comma == std::string::npos) {
                return entries;
            }
            start = comma + 1;
        }
    }

    TempFolder folder_;
    std::unique_ptr<RunningAccountServer> server_;
};

TEST_F(ServerTest, OnlineAccountKeepsTheHighestLevelItWasSent) {
    startServer();
    EXPECT_EQ(account("o=create&u=Mary&p=secret"), "Success");
    // User names are one name whatever their case.
    EXPECT_EQ(account("o=create&u=MARY&p=other"), "Username Already Exists");
    EXPECT_EQ(account("o=login&u=mary&p=secret"), "1");
    EXPECT_EQ(account("o=login&u=mary&p=wrong"), "Invalid Username and/or Password");
    EXPECT_EQ(account("o=login&u=nobody&p=secret"), "Invalid Username and/or Password");
    EXPECT_EQ(account("o=login&u=mary&p="), "Invalid Username and/or Password");

    EXPECT_EQ(account("o=update&u=mary&p=secret&l=57"), "OK");
    EXPECT_EQ(account("o=update&u=mary&p=secret&l=12"), "OK");
    EXPECT_EQ(account("o=login&u=Mary&p=secret"), "57");
    EXPECT_EQ(account("o=update&u=mary&p=secret&l=101"), "OK");
    EXPECT_EQ(account("o=login&u=mary&p=secret"), "101");

    EXPECT_EQ(account("o=update&u=mary&p=wrong&l=5"), "Invalid Username and/or Password");
    EXPECT_EQ(account("o=update&u=ghost&p=secret&l=5"), "Invalid Username and/or Password");
    EXPECT_EQ(account("o=create&u=&p=x"), "Error Creating Account");
    EXPECT_EQ(account("o=create&u=x&p="), "Error Creating Account");

    // Percent-encoded characters arrive as typed.
    EXPECT_EQ(account("o=create&u=a%26b%20%23%25%2Bc&p=p%26w%3D1%20%23"), "Success");
    EXPECT_EQ(account("o=login&u=a%26b%20%23%25%2Bc&p=p%26w%3D1%20%23"), "1");
    EXPECT_EQ(account("o=login&u=a&p=p"), "Invalid Username and/or Password");

    // A restarted server still knows everything: nothing lives only in memory.
    startServer();
    EXPECT_EQ(account("o=login&u=mary&p=secret"), "101");
    EXPECT_EQ(account("o=create&u=mary&p=x"), "Username Already Exists");
}

TEST_F(ServerTest, MalformedRequestsAreRefusedAndChangeNothing) {
    startServer();
    ASSERT_EQ(account("o=create&u=mary&p=secret"), "Success");
    const std::string longName(65, 'n');
    for (const std::string& target : std::vector<std::string>{
             "/dovrix/account",
             "/dovrix/account?u=mary&p=secret",
             "/dovrix/account?o=fly&u=mary&p=secret",
             "/dovrix/account?o=login&p=secret",
             "/dovrix/account?o=login&u=mary",
             "/dovrix/account?o=update&u=mary&p=secret",
             "/dovrix/account?o=update&u=mary&p=secret&l=",
             "/dovrix/account?o=update&u=mary&p=secret&l=60x",
             "/dovrix/account?o=update&u=mary&p=secret&l=+60",
             "/dovrix/account?o=update&u=mary&p=secret&l=0",
             "/dovrix/account?o=update&u=mary&p=secret&l=102",
             "/dovrix/account?o=update&u=mary&p=secret&l=4.5",
             "/dovrix/account?o=update&u=mary&u=bob&p=secret&l=60",
             "/dovrix/account?o=update&u=mary&p=secret&l=60&l=70",
             "/dovrix/account?o=create&u=" + longName + "&p=x",
             "/dovrix/account?o=create&u=tab%09name&p=x",
             "/dovrix/pars?Level=5",
             "/dovrix/pars?Level=5&Moves=3",
             "/dovrix/pars?Level=five&Moves=3&Par=9",
             "/dovrix/pars?Level=0&Moves=3&Par=9",
             "/dovrix/pars?Level=101&Moves=3&Par=9",
             "/dovrix/pars?Level=5&Moves=3&Par=9&Level=6",
         }) {
        const Reply reply = get(target);
        EXPECT_EQ(reply.status, 400) << target;
        EXPECT_FALSE(reply.body.empty()) << target;
    }
    EXPECT_EQ(account("o=login&u=mary&p=secret"), "1");
    EXPECT_EQ(account("o=create&u=" + longName.substr(1) + "&p=x"), "Success");
    EXPECT_EQ(get("/elsewhere").status, 404);
}

TEST_F(ServerTest, StudentsSignInWithTheirSchoolPasswordOnceChecked) {
    importStudents("username,password\n"
                   "# the district's list\n"
                   "John.Smith, school1\r\n"
                   "\"ann.lee\",\"pa,ss\"\"word\"\n"
                   "mary,marypass\n");
    startServer();
    EXPECT_EQ(account("o=create&u=mary&p=x"), "Username Already Exists");
    EXPECT_EQ(account("o=vorna&u=john.smith&p=wrong"), "Invalid Username and/or Password");
    EXPECT_EQ(account("o=halvern&u=john.smith&p=school1"), "1");
    EXPECT_EQ(account("o=vorna&u=ann.lee&p=pa%2Css%22word"), "Success");
    // With the game account made, the check answers a short text: the account's level.
    EXPECT_EQ(account("o=update&u=ann.lee&p=pa%2Css%22word&l=23"), "OK");
    EXPECT_EQ(account("o=vorna&u=Ann.Lee&p=pa%2Css%22word"), "23");
    EXPECT_EQ(account("o=halvern&u=ann.lee&p=pa%2Css%22word"), "23");
    EXPECT_EQ(account("o=halvern&u=ann.lee&p=wrong"), "Invalid Username and/or Password");
    // A school account is no online account.
    EXPECT_EQ(account("o=login&u=ann.lee&p=pa%2Css%22word"), "Invalid Username and/or Password");
    EXPECT_EQ(account("o=vorna&u=nobody&p=school1"), "Invalid Username and/or Password");

    // Re-importing replaces a student's password.
    importStudents("ann.lee,newpass\n");
    EXPECT_EQ(account("o=halvern&u=ann.lee&p=pa%2Css%22word"), "Invalid Username and/or Password");
    EXPECT_EQ(account("o=halvern&u=ann.lee&p=newpass"), "23");
}

TEST_F(ServerTest, SchoolLoginAndPasswordlessUpdatesOnlyFromTheSchoolNetwork) {
    startServer();
    ASSERT_EQ(account("o=create&u=homeplayer&p=secret"), "Success");
    EXPECT_EQ(account("o=qel&u=pat.kim&p="), "1");
    EXPECT_EQ(account("o=update&u=pat.kim&p=&l=40"), "OK");
    EXPECT_EQ(account("o=qel&u=pat.kim&p="), "40");
    EXPECT_EQ(account("o=qel&u=pat.kim"), "40");
    EXPECT_EQ(account("o=qel&u=&p="), "Error Creating Account");
    // A school log-on name never opens someone's online account.
    EXPECT_EQ(account("o=qel&u=homeplayer&p="), "Invalid Username and/or Password");
    EXPECT_EQ(account("o=update&u=homeplayer&p=&l=90"), "Invalid Username and/or Password");

    auto options = serverOptions(database());
    options.trusted = *server::AddressRanges::parse("10.0.0.0/8");
    startServer(options);
    EXPECT_EQ(account("o=qel&u=pat.kim&p="), "Invalid Username and/or Password");
    EXPECT_EQ(account("o=qel&u=new.pupil&p="), "Invalid Username and/or Password");
    EXPECT_EQ(account("o=update&u=pat.kim&p=&l=50"), "Invalid Username and/or Password");
    startServer();
    EXPECT_EQ(account("o=qel&u=pat.kim&p="), "40");
    EXPECT_EQ(account("o=qel&u=new.pupil&p="), "1");
}

TEST_F(ServerTest, ParListStartsFromTheCatalogueAndOnlyGoesDown) {
    startServer();
    const std::string list = get("/dovrix/pars").body;
    // Long enough that a game does not take it for an error text.
    EXPECT_GE(list.size(), 290u);
    std::vector<std::string> entries = parEntries();
    const std::vector<int> catalogue = server::catalogueParList();
    ASSERT_EQ(entries.size(), 100u);
    ASSERT_EQ(catalogue.size(), 100u);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(std::stoi(entries[i]), catalogue[i]) << "level " << i + 1;
    }

    const int level5 = catalogue[4];
    ASSERT_GT(level5, 2);
    EXPECT_EQ(get("/dovrix/pars?Level=5&Moves=" + std::to_string(level5) + "&Par=9").body,
              "Ignored");
    EXPECT_EQ(get("/dovrix/pars?Level=5&Moves=0&Par=9").body, "Ignored");
    EXPECT_EQ(get("/dovrix/pars?Level=5&Moves=-3&Par=9").body, "Ignored");
    EXPECT_EQ(std::stoi(parEntries()[4]), level5);
    EXPECT_EQ(get("/dovrix/pars?Level=5&Moves=" + std::to_string(level5 - 1) + "&Par=1").body,
              "OK");
    EXPECT_EQ(std::stoi(parEntries()[4]), level5 - 1);
    EXPECT_EQ(std::stoi(parEntries()[3]), catalogue[3]);

    // Once a level's optimum is proven, no claim goes below it, and a restart repairs a par
    // that an earlier claim pushed below it.
    EXPECT_EQ(get("/dovrix/pars?Level=7&Moves=1&Par=1").body, "OK");
    auto options = serverOptions(database());
    options.service.provenOptimum = [](int level) {
        return level == 7 || level == 9 ? std::optional<int>(2) : std::nullopt;
    };
    startServer(options);
    entries = parEntries();
    EXPECT_EQ(std::stoi(entries[6]), 2);
    EXPECT_EQ(std::stoi(entries[4]), level5 - 1);
    EXPECT_EQ(get("/dovrix/pars?Level=9&Moves=1&Par=5").body, "Ignored");
    EXPECT_EQ(get("/dovrix/pars?Level=9&Moves=2&Par=5").body, "OK");
    EXPECT_EQ(std::stoi(parEntries()[8]), 2);
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
    cache.remember("a", "h", "1");
    cache.remember("b", "h", "2");
    cache.remember("c", "h", "3");
    EXPECT_TRUE(cache.contains("c", "h", "3"));
    EXPECT_FALSE(cache.contains("a", "h", "1"));

    server::CredentialCache disabled(std::chrono::seconds(0), 10);
    disabled.remember("mary", "$hash1", "secret");
    EXPECT_FALSE(disabled.contains("mary", "$hash1", "secret"));
}

TEST(AddressRanges, MatchAddressesInsideTheirPrefix) {
    const auto ranges = server::AddressRanges::parse("10.1.0.0/16, 192.168.5.7, fd00::/8");
    ASSERT_TRUE(ranges) << ranges.error();
    EXPECT_TRUE(ranges->contains("10.1.255.3"));
    EXPECT_FALSE(ranges->contains("10.2.0.1"));
    EXPECT_TRUE(ranges->contains("192.168.5.7"));
    EXPECT_FALSE(ranges->contains("192.168.5.8"));
    EXPECT_TRUE(ranges->contains("fd12::1"));
    EXPECT_FALSE(ranges->contains("fe80::1"));
    EXPECT_TRUE(ranges->contains("::ffff:10.1.2.3")); // IPv4 seen through an IPv6 socket
    EXPECT_FALSE(ranges->contains("not an address"));

    const auto loopback = server::AddressRanges::loopback();
    EXPECT_TRUE(loopback.contains("127.0.0.1"));
    EXPECT_TRUE(loopback.contains("127.8.9.10"));
    EXPECT_TRUE(loopback.contains("::1"));
    EXPECT_FALSE(loopback.contains("10.0.0.1"));

    EXPECT_TRUE(server::AddressRanges::parse("0.0.0.0/0")->contains("8.8.8.8"));
    for (const char* bad : {"10.0.0.0/33", "10.0.0/8", "::1/129", "10.0.0.0/", "10.0.0.0/x"}) {
        EXPECT_FALSE(server::AddressRanges::parse(bad)) << bad;
    }
}

TEST(StudentList, ReadsOneStudentPerLine) {
    const auto list = server::readStudentList("\xEF\xBB\xBFUserName,Password\r\n"
                                              "  a.b , pw 1 \r\n"
                                              "\n"
                                              "# comment\n"
                                              "\"c,d\",\"say \"\"hi\"\"\"\n"
                                              "e,f");
    ASSERT_TRUE(list) << list.error();
    ASSERT_EQ(list->size(), 3u);
    EXPECT_EQ((*list)[0].userName, "a.b");
    EXPECT_EQ((*list)[0].password, "pw 1");
    EXPECT_EQ((*list)[1].userName, "c,d");
    EXPECT_EQ((*list)[1].password, "say \"hi\"");
    EXPECT_EQ((*list)[2].password, "f");

    for (const char* bad : {"a\n", "a,b,c\n", "ok,1\n,pw\n", "a,\n", "\"a,b\n", "\"a\"x,b\n"}) {
        EXPECT_FALSE(server::readStudentList(bad)) << bad;
    }
    EXPECT_EQ(server::readStudentList("ok,1\nbad\n").error(),
              "line 2: expected a user name and a password");
}

} // namespace
} // namespace dovrix::testing
