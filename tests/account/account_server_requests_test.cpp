// The account routines against the real account server, on a loopback port with a fresh
// database.

#include "account_world.h"
#include "command_line.h"
#include "expected_messages.h"
#include "number_text.h"
#include "running_account_server.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>

namespace dovrix::testing {
namespace {

class AccountsWithServer : public ::testing::Test {
protected:
    std::string database() const { return serverFolder_.file("accounts.sqlite"); }
    std::string serverSays(const std::string& target) {
        httplib::Client client("127.0.0.1", server_.port());
        const auto reply = client.Get(target.c_str());
        return reply ? reply->body : "<no reply>";
    }

    TempFolder serverFolder_;
    RunningAccountServer server_{serverOptions(database())};
};

TEST_F(AccountsWithServer, HomePlayerCreatesAccountPlaysAndComesBack) {
    AccountWorld first(server_.url());
    // Characters with a meaning in URLs reach the server as typed.
    first.state.accountUser = "Mary & Co #1+";
    first.state.accountPassword = "p%20w+d&x=#?";
    EXPECT_EQ(first.accounts.createAccount(), "Success");
    EXPECT_EQ(first.state.serverReply, "Success");
    EXPECT_EQ(first.accounts.createAccount(), "Username Already Exists");

    first.accounts.LoginAccount("login");
    EXPECT_EQ(first.state.serverReply, "Success1");
    EXPECT_EQ(first.state.levelReached, 1);
    EXPECT_EQ(first.state.currentLevel, 1);
    first.state.levelReached = 57;
    first.accounts.UpdateAccount();
    EXPECT_TRUE(first.messages.shown.empty());

    AccountWorld again(server_.url());
    again.state.accountUser = "Mary & Co #1+";
    again.state.accountPassword = "p%20w+d&x=#?";
    again.accounts.LoginAccount("login");
    EXPECT_EQ(again.state.serverReply, "Success57");
    EXPECT_EQ(again.state.levelReached, 57);
    EXPECT_EQ(again.state.currentLevel, 57);

    // Every level beaten: the server keeps 101, a login opens every level and starts at 1.
    again.state.levelReached = 101;
    again.accounts.UpdateAccount();
    again.accounts.LoginAccount("login");
    EXPECT_EQ(again.state.serverReply, "Success101");
    EXPECT_EQ(again.state.levelReached, 100);
    EXPECT_EQ(again.state.currentLevel, 1);
    EXPECT_EQ(serverSays(
                  "/dovrix/account?o=login&u=Mary%20%26%20Co%20%231%2B&p=p%2520w%2Bd%26x%3D%23%3F"),
              "101");

    AccountWorld wrong(server_.url());
    wrong.state.accountUser = "Mary & Co #1+";
    wrong.state.accountPassword = "p%20w+d&x=#";
    wrong.state.levelReached = 9;
    wrong.state.currentLevel = 9;
    wrong.accounts.LoginAccount("login");
    ASSERT_EQ(wrong.messages.shown.size(), 1u);
    EXPECT_TRUE(isMessage(wrong.messages.shown[0], kInvalidCredentials));
    EXPECT_EQ(wrong.state.levelReached, 9);
    EXPECT_EQ(wrong.state.currentLevel, 9);
    EXPECT_EQ(wrong.state.serverReply, "Invalid Username and/or Password");
}

TEST_F(AccountsWithServer, StudentSignsInFromHomeWithTheSchoolPassword) {
    const std::string csv = serverFolder_.file("students.csv");
    std::ofstream(csv) << "jo.park,Sch00l pass\n";
    ASSERT_TRUE(server::importStudentFile(csv, database()));

    AccountWorld home(server_.url());
    home.state.accountUser = "Jo.Park";
    home.state.accountPassword = "Sch00l pass";
    EXPECT_EQ(home.accounts.checkDistrictStudent(), "Success");

    // With the game account in place the check answers a short text, and the student login
    // follows.
    const auto check = home.accounts.checkDistrictStudent();
    ASSERT_TRUE(check);
    EXPECT_GE(check->size(), 1u);
    EXPECT_LE(check->size(), 3u);
    home.accounts.LoginAccount("halvern");
    EXPECT_EQ(home.state.serverReply, "Success1");
    home.state.levelReached = 8;
    home.accounts.UpdateAccount();
    EXPECT_TRUE(home.messages.shown.empty());
    // The same account at school, through the log-on name.
    EXPECT_EQ(serverSays("/dovrix/account?o=qel&u=jo.park&p="), "8");

    home.state.accountPassword = "wrong";
    EXPECT_EQ(home.accounts.checkDistrictStudent(), "Invalid Username and/or Password");
}

TEST_F(AccountsWithServer, SchoolRunKeepsFileAndAccountInStep) {
    AccountWorld school(server_.url());
    school.state.atSchool = true;
    setenv("NWUSERNAME", "Pat.Kim", 1);
    school.accounts.GetPlayerName();
    unsetenv("NWUSERNAME");
    ASSERT_EQ(school.state.playerName, "Pat Kim");
    ASSERT_EQ(school.state.accountUser, "pat.kim");

    school.accounts.LoadProgress();
    EXPECT_EQ(school.state.levelReached, 1);
    EXPECT_EQ(school.state.currentLevel, 1);
    EXPECT_EQ(school.progressFileContent(), " 1 \r\n");

    school.state.levelReached = 12;
    school.accounts.SaveProgress();
    EXPECT_EQ(school.progressFileContent(), " 12 \r\n");
    EXPECT_EQ(serverSays("/dovrix/account?o=qel&u=pat.kim&p="), "12");
    EXPECT_TRUE(school.messages.shown.empty());

    // Played on at home with a higher level: the next school run takes the server's level
    // and writes it to the file.
    EXPECT_EQ(serverSays("/dovrix/account?o=update&u=pat.kim&p=&l=30"), "OK");
    AccountWorld nextDay(server_.url());
    nextDay.state.atSchool = true;
    nextDay.state.accountUser = "pat.kim";
    nextDay.state.playerName = "Pat Kim";
    std::filesystem::copy_file(school.progressFile(), nextDay.progressFile());
    nextDay.accounts.LoadProgress();
    EXPECT_EQ(nextDay.state.levelReached, 30);
    EXPECT_EQ(nextDay.state.currentLevel, 30);
    EXPECT_EQ(nextDay.progressFileContent(), " 30 \r\n");
}

TEST_F(AccountsWithServer, ParsComeDownFromTheServerAfterARecord) {
    AccountWorld before(server_.url());
    before.accounts.DownloadPars();
    for (int level = 1; level <= 100; ++level) {
        EXPECT_EQ(before.state.levelStrings[static_cast<std::size_t>(level)],
                  builtInLevelStrings()[static_cast<std::size_t>(level - 1)]);
    }

    const std::string& level5 = before.state.levelStrings[5];
    const int16_t par = *fieldValue(level5.substr(0, level5.find(',')));
    ASSERT_GT(par, 2);
    before.accounts.uploadPar(5, par - 2, par);
    EXPECT_EQ(before.state.serverReply, "OK");

    AccountWorld after(server_.url());
    after.accounts.DownloadPars();
    EXPECT_EQ(after.state.levelStrings[5],
              std::to_string(par - 2) + level5.substr(level5.find(',')));
    EXPECT_EQ(after.state.levelStrings[4], before.state.levelStrings[4]);
}

} // namespace
} // namespace dovrix::testing
