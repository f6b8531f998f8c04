// How the account routines read the server's replies, from servers scripted to give the
// rare ones: odd levels, error pages, short and broken par lists, refusals and silence.

#include "account_world.h"
#include "expected_messages.h"
#include "level_string.h"
#include "scripted_http_server.h"

#include <gtest/gtest.h>

namespace dovrix::testing {
namespace {

class AccountReplies : public ::testing::Test {
protected:
    AccountReplies() { server_.reply("/dovrix/account?o=update", "OK"); }

    ScriptedHttpServer server_;
    AccountWorld world_{server_.url(), "mary", "secret"};
};

TEST(LoginReplies, LevelsAreReadAndRepairedAndFailuresToldOnlyAtHome) {
    const std::string invalid = "Invalid Username and/or Password";
    struct Row {
        std::string reply;
        int status;
        int16_t levelReached;
        int16_t currentLevel;
        std::string serverReply;
        ExpectedMessage box;
    };
    const std::vector<Row> rows = {
        {"57", 200, 57, 57, "Success57", {}},
        {"101", 200, 100, 1, "Success101", {}}, // every level beaten: all open, start at 1
        {"100", 200, 100, 100, "Success100", {}},
        {" 12abc", 200, 12, 12, "Success12", {}},
        {"56.5", 200, 56, 56, "Success56", {}}, // halves go to the even neighbour
        {"57.5", 200, 58, 58, "Success58", {}},
        // Impossible levels: level 1, sent back to the server.
        {"0", 200, 1, 1, "OK", {}},
        {"102", 200, 1, 1, "OK", {}},
        {"-4", 200, 1, 1, "OK", {}},
        {"70000", 200, 1, 1, "OK", {}}, // beyond 16 bits: no level at all
        {"<html><body><h1>500 Internal Server Error</h1></body></html>", 500, 1, 1, "OK", {}},
        // Failures: level 1, nothing sent, and a box at home only.
        {"", 200, 1, 1, "", kErrorAccessing},
        {"Error Creating Account", 200, 1, 1, "Error Creating Account", kErrorAccessing},
        // Rejected credentials change no level, and are shown at school too.
        {invalid, 200, 9, 9, invalid, kInvalidCredentials},
    };
    for (const Row& row : rows) {
        for (const bool atSchool : {false, true}) {
            ScriptedHttpServer server;
            server.reply("/dovrix/account?o=login", row.reply, row.status);
            server.reply("/dovrix/account?o=update", "OK");
            AccountWorld world(server.url(), "mary", "secret");
            world.state.atSchool = atSchool;
            world.state.levelReached = world.state.currentLevel = 9;
            world.accounts.LoginAccount("login");
            EXPECT_EQ(std::tie(world.state.levelReached, world.state.currentLevel,
                               world.state.serverReply),
                      std::tie(row.levelReached, row.currentLevel, row.serverReply))
                << row.reply;
            const bool repaired = row.serverReply == "OK";
            EXPECT_EQ(server.updates(), std::vector<std::string>(repaired ? 1 : 0, "1"))
                << row.reply;
            const bool told = !atSchool || row.box.title == kInvalidCredentials.title;
            EXPECT_EQ(boxDifferences(world.messages.shown,
                                     std::vector(row.box.title.empty() || !told ? 0 : 1, row.box)),
                      "")
                << row.reply << (atSchool ? " at school" : " at home");
        }
    }
}

// A server that never answers fails the same way: the transport test shows it.
TEST(TransferFailures, LeaveTheLastReplyAndAreToldOnlyAtHome) {
    AccountWorld world(refusingUrl(), "mary", "secret");
    world.state.serverReply = "previous";
    world.state.levelReached = world.state.currentLevel = 9;
    world.accounts.LoginAccount("login");
    EXPECT_TRUE(world.state.levelReached == 1 && world.state.currentLevel == 1);
    world.accounts.UpdateAccount();
    EXPECT_EQ(std::tuple(world.accounts.createAccount(), world.accounts.checkDistrictStudent()),
              std::tuple(std::nullopt, std::nullopt));
    world.accounts.uploadPar(5, 3, 9);
    const auto catalogue = world.state.levelStrings;
    world.accounts.DownloadPars();
    EXPECT_EQ(world.state.levelStrings, catalogue);
    EXPECT_EQ(world.state.serverReply, "previous");
    EXPECT_EQ(boxDifferences(world.messages.shown, {kErrorAccessing, kErrorUpdating}), "");

    world.messages.shown.clear();
    world.state.atSchool = true;
    world.accounts.LoginAccount("qel");
    world.accounts.UpdateAccount();
    EXPECT_TRUE(world.messages.shown.empty());
}

TEST_F(AccountReplies, UpdateFailsOnlyOnAnEmptyReplyOrTheErrorText) {
    // The reply, its status, and whether the update failed.
    for (const auto& [reply, status, failed] :
         std::vector<std::tuple<std::string, int, bool>>{{"OK", 200, false},
                                                         {"Saved, thanks", 200, false},
                                                         {"", 200, true},
                                                         {"Error Updating Account", 200, true},
                                                         {"Error Updating Account", 500, true},
                                                         {"error updating account", 200, false}}) {
        server_.reply("/dovrix/account?o=update", reply, status);
        for (const bool atSchool : {false, true}) {
            world_.messages.shown.clear();
            world_.state.atSchool = atSchool;
            world_.state.levelReached = 23;
            world_.accounts.UpdateAccount();
            EXPECT_EQ(world_.state.serverReply, reply);
            const bool told = failed && !atSchool;
            EXPECT_EQ(boxDifferences(world_.messages.shown,
                                     std::vector<ExpectedMessage>(told ? 1 : 0, kErrorUpdating)),
                      "")
                << reply;
        }
    }
    // Without an account nothing is sent at all.
    const std::size_t before = server_.requests().size();
    world_.state.accountUser.clear();
    world_.accounts.UpdateAccount();
    EXPECT_EQ(server_.requests().size(), before);
}

// A par list of these entries, padded with blanks to `length` characters.
std::string parList(const std::vector<std::string>& entries, std::size_t length = 290) {
    std::string list;
    for (const std::string& entry : entries) {
        list += (list.empty() ? "" : ",") + entry;
    }
    return list + std::string(std::max(length, list.size()) - list.size(), ' ');
}

TEST_F(AccountReplies, ParListLowersLocalParsWhereItIsLongEnoughToRead) {
    // Every par 20 but level 5's 12, so the list's effect is plain to see.
    for (std::size_t level = 1; level <= 100; ++level) {
        world_.state.levelStrings[level] = rewritePar(world_.state.levelStrings[level], "20");
    }
    world_.state.levelStrings[5] = rewritePar(world_.state.levelStrings[5], "12");
    const auto before = world_.state.levelStrings;

    std::map<int, int> sevens;
    for (int level = 1; level <= 60; ++level) {
        sevens[level] = 7;
    }
    // Each list and the pars it lowers; the list stops where it ends.
    const std::vector<std::pair<std::string, std::map<int, int>>> rows = {
        // Only a lower number in digits changes a par (an equal one written otherwise does
        // not); words, 0, negatives, fractions and empty entries are skipped, never read as 0.
        {parList({"20", "20", "20", "20", " 9 ", "25", "020", "abc", "0", "-3", "4.5", "", "17"}),
         {{5, 9}, {13, 17}}},
        {parList({"20", "20", "20", "20", "9"}, 289), {}}, // too short to be a list
        {parList({"20", "20", "20", "20", "9"}, 290), {{5, 9}}},
        {parList(std::vector<std::string>(60, "7")), sevens}};
    for (const auto& [list, lowered] : rows) {
        world_.state.levelStrings = before;
        server_.reply("/dovrix/pars", list);
        world_.accounts.DownloadPars();
        EXPECT_EQ(world_.state.serverReply, list);
        for (std::size_t level = 1; level <= 100; ++level) {
            const auto found = lowered.find(static_cast<int>(level));
            EXPECT_EQ(world_.state.levelStrings[level],
                      found == lowered.end()
                          ? before[level]
                          : rewritePar(before[level], std::to_string(found->second)))
                << "level " << level << " of " << list.size() << " characters";
        }
    }
}

} // namespace
} // namespace dovrix::testing
