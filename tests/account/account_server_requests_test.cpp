// The account routines against the real account server, on a loopback port with a fresh
// database (in this process, or for the Windows build the Debian program under wine-run).

#include "account_world.h"
#include "expected_messages.h"
#include "number_text.h"
#include "test_account_server.h"

#include <gtest/gtest.h>

namespace dovrix::testing {
namespace {

class AccountsWithServer : public ::testing::Test {
protected:
    TestAccountServer server_;
};

TEST_F(AccountsWithServer, HomePlayersCreateOrCheckTheirAccountPlayAndComeBack) {
    // Characters with a meaning in URLs reach the server as typed.
    AccountWorld first(server_.url(), "Mary & Co #1+ é/", "p%20w+d&x=#?");
    EXPECT_EQ(first.accounts.createAccount(), "Success");
    EXPECT_EQ(first.state.serverReply, "Success");
    first.accounts.LoginAccount("login");
    EXPECT_EQ(first.state.serverReply, "Success1");
    first.state.levelReached = 57;
    first.accounts.UpdateAccount();
    EXPECT_EQ(first.state.serverReply, "OK");

    AccountWorld again(server_.url(), "MARY & CO #1+ é/", "p%20w+d&x=#?");
    again.accounts.LoginAccount("login");
    EXPECT_EQ(std::tuple(again.state.levelReached, again.state.currentLevel), std::tuple(57, 57));

    // A password changed elsewhere: the server refuses the level, and the player is told.
    AccountWorld stale(server_.url(), "Mary & Co #1+ é/", "old password");
    stale.state.levelReached = 60;
    stale.accounts.UpdateAccount();
    // No box for the first two players: the first one's boxes would come first, then the rest.
    EXPECT_EQ(boxDifferences(first.messages.shown, {}) + boxDifferences(again.messages.shown, {}) +
                  boxDifferences(stale.messages.shown, {kErrorUpdating}),
              "");
}

TEST_F(AccountsWithServer, ParsComeDownFromTheServerAfterARecord) {
    AccountWorld before(server_.url());
    before.accounts.DownloadPars();
    for (std::size_t level = 1; level <= 100; ++level) {
        EXPECT_EQ(before.state.levelStrings[level], builtInLevelStrings()[level - 1]);
    }

    // Level 87 can be beaten in 16 moves against its par of 19; no other level below its par.
    const std::string& level87 = before.state.levelStrings[87];
    ASSERT_EQ(fieldValue(level87.substr(0, level87.find(','))), 19);
    before.accounts.uploadPar(87, 17, 19);
    EXPECT_EQ(before.state.serverReply, "OK");

    AccountWorld after(server_.url());
    after.accounts.DownloadPars();
    EXPECT_EQ(after.state.levelStrings[87], "17" + level87.substr(level87.find(',')));
    EXPECT_EQ(after.state.levelStrings[86], before.state.levelStrings[86]);
}

} // namespace
} // namespace dovrix::testing
