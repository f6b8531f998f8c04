// The account routines against the real account server, on a loopback port with a fresh
// database (in this process, or for the Windows build the Debian program under wine-run).

#include "account_world.h"
#include "number_text.h"
#include "test_account_server.h"

#include <gtest/gtest.h>

namespace dovrix::testing {
namespace {

TEST(AccountsWithServer, ParsComeDownFromTheServerAfterARecord) {
    TestAccountServer server;
    AccountWorld before(server.url());
    before.accounts.DownloadPars();
    for (std::size_t level = 1; level <= 100; ++level) {
        EXPECT_EQ(before.state.levelStrings[level], builtInLevelStrings()[level - 1]);
    }

    // Level 87 can be beaten in 16 moves against its par of 19; no other level below its par.
    const std::string& level87 = before.state.levelStrings[87];
    ASSERT_EQ(fieldValue(level87.substr(0, level87.find(','))), 19);
    before.accounts.uploadPar(87, 17, 19);
    EXPECT_EQ(before.state.serverReply, "OK");

    AccountWorld after(server.url());
    after.accounts.DownloadPars();
    EXPECT_EQ(after.state.levelStrings[87], "17" + level87.substr(level87.find(',')));
    EXPECT_EQ(after.state.levelStrings[86], before.state.levelStrings[86]);
}

} // namespace
} // namespace dovrix::testing
