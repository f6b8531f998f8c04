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
    AccountReplies() {
        server_.reply("/dovrix/account?o=update", "OK");
        world_.state.accountUser = "mary";
        world_.state.accountPassword = "secret";
    }

    ScriptedHttpServer server_;
    AccountWorld world_{server_.url()};
};

TEST_F(AccountReplies, LoginReadsTheLevelAndRepairsImpossibleOnes) {
    struct Row {
        std::string reply;
        int status;
        int16_t levelReached;
        int16_t currentLevel;
        std::string serverReply;
        std::vector<std::string> updates;
    };
    const std::vector<Row> rows = {
        {"57", 200, 57, 57, "Success57", {}},
        {"101", 200, 100, 1, "Success101", {}},
        {"100", 200, 100, 100, "Success100", {}},
        {" 12abc", 200, 12, 12, "Success12", {}},
        {"56.5", 200, 56, 56, "Success56", {}}, // halves go to the even neighbour
        {"57.5", 200, 58, 58, "Success58", {}},
        {"0", 200, 1, 1, "OK", {"1"}},
        {"102", 200, 1, 1, "OK", {"1"}},
        {"-4", 200, 1, 1, "OK", {"1"}},
        {"70000", 200, 1, 1, "OK", {"1"}}, // beyond 16 bits: no level at all
        {"<html><body><h1>500 Internal Server Error</h1></body></html>", 500, 1, 1, "OK", {"1"}},
    };
    for (const Row& row : rows) {
        ScriptedHttpServer server;
        server.reply("/dovrix/account?o=login", row.reply, row.status);
        server.reply("/dovrix/account?o=update", "OK");
        AccountWorld world(server.url());
        world.state.accountUser = "mary";
        world.state.accountPassword = "secret";
        world.accounts.LoginAccount("login");
        EXPECT_EQ(world.state.levelReached, row.levelReached) << row.reply;
        EXPECT_EQ(world.state.currentLevel, row.currentLevel) << row.reply;
        EXPECT_EQ(world.state.serverReply, row.serverReply) << row.reply;
        EXPECT_EQ(server.updates(), row.updates) << row.reply;
        EXPECT_TRUE(world.messages.shown.empty()) << row.reply;
    }
}

TEST_F(AccountReplies, LoginFailuresSetLevelOneAndSpeakOnlyAtHome) {
    world_.state.serverReply = "previous";
    for (const bool atSchool : {false, true}) {
        for (const std::string reply : {"", "Error Creating Account"}) {
            server_.reply("/dovrix/account?o=login", reply);
            world_.messages.shown.clear();
            world_.state.atSchool = atSchool;
            world_.state.levelReached = 9;
            world_.state.currentLevel = 9;
            world_.accounts.LoginAccount("login");
            EXPECT_EQ(world_.state.levelReached, 1);
            EXPECT_EQ(world_.state.currentLevel, 1);
            EXPECT_EQ(world_.state.serverReply, reply);
            if (atSchool) {
                EXPECT_TRUE(world_.messages.shown.empty());
            } else {
                ASSERT_EQ(world_.messages.shown.size(), 1u);
                EXPECT_TRUE(isMessage(world_.messages.shown[0], kErrorAccessing));
            }
        }
    }

    // A rejected user name and password is shown at school too, and changes no level.
    server_.reply("/dovrix/account?o=qel", "Invalid Username and/or Password");
    world_.messages.shown.clear();
    world_.state.levelReached = 9;
    world_.state.currentLevel = 9;
    world_.accounts.LoginAccount("qel");
    ASSERT_EQ(world_.messages.shown.size(), 1u);
    EXPECT_TRUE(isMessage(world_.messages.shown[0], kInvalidCredentials));
    EXPECT_EQ(world_.state.levelReached, 9);
    EXPECT_EQ(world_.state.currentLevel, 9);
    EXPECT_TRUE(server_.updates().empty());
}

TEST_F(AccountReplies, TransferFailuresLeaveTheLastReplyAndTellOnlyAtHome) {
    SilentServer silent;
    for (const std::string& url : {refusingUrl(), silent.url()}) {
        AccountWorld world(url);
        world.http.setTimeout(std::chrono::milliseconds(300));
        world.state.accountUser = "mary";
        world.state.accountPassword = "secret";
        world.state.serverReply = "previous";
        world.state.levelReached = 9;
        world.state.currentLevel = 9;

        world.accounts.LoginAccount("login");
        EXPECT_EQ(world.state.levelReached, 1) << url;
        EXPECT_EQ(world.state.currentLevel, 1) << url;
        world.accounts.UpdateAccount();
        EXPECT_EQ(world.accounts.createAccount(), std::nullopt);
        EXPECT_EQ(world.accounts.checkDistrictStudent(), std::nullopt);
        world.accounts.uploadPar(5, 3, 9);
        const auto catalogue = world.state.levelStrings;
        world.accounts.DownloadPars();
        EXPECT_EQ(world.state.levelStrings, catalogue);
        EXPECT_EQ(world.state.serverReply, "previous") << url;
        ASSERT_EQ(world.messages.shown.size(), 2u) << url;
        EXPECT_TRUE(isMessage(world.messages.shown[0], kErrorAccessing));
        EXPECT_TRUE(isMessage(world.messages.shown[1], kErrorUpdating));

        world.messages.shown.clear();
        world.state.atSchool = true;
        world.accounts.LoginAccount("qel");
        world.accounts.UpdateAccount();
        EXPECT_TRUE(world.messages.shown.empty()) << url;
    }
}

TEST_F(AccountReplies, UpdateFailsOnlyOnAnEmptyReplyOrTheErrorText) {
    struct Row {
        std::string reply;
        int status;
        bool failed;
    };
    for (const Row& row : std::vector<Row>{{"OK", 200, false},
                                           {"Saved, thanks", 200, false},
                                           {"Success", 200, false},
                                           {"", 200, true},
                                           {"Error Updating Account", 200, true},
                                           {"Error Updating Account", 500, true},
                                           {"error updating account", 200, false}}) {
        server_.reply("/dovrix/account?o=update", row.reply, row.status);
        for (const bool atSchool : {false, true}) {
            world_.messages.shown.clear();
            world_.state.atSchool = atSchool;
            world_.state.levelReached = 23;
            world_.accounts.UpdateAccount();
            EXPECT_EQ(world_.state.serverReply, row.reply);
            const bool told = row.failed && !atSchool;
            ASSERT_EQ(world_.messages.shown.size(), told ? 1u : 0u) << row.reply;
            if (told) {
                EXPECT_TRUE(isMessage(world_.messages.shown[0], kErrorUpdating));
            }
        }
    }
    const auto sent = server_.requests().back();
    EXPECT_EQ(sent.path, "/dovrix/account");
    EXPECT_EQ(sent.value("u"), "mary");
    EXPECT_EQ(sent.value("p"), "secret");
    EXPECT_EQ(sent.value("l"), "23");

    // Without an account nothing is sent at all.
    const std::size_t before = server_.requests().size();
    world_.state.accountUser.clear();
    world_.accounts.UpdateAccount();
    EXPECT_EQ(server_.requests().size(), before);
}

// A catalogue whose every par is 20, so the list's effect is plain to see.
void setAllPars(SharedState& state, const std::string& par) {
    for (std::size_t level = 1; level <= 100; ++level) {
        state.levelStrings[level] = rewritePar(state.levelStrings[level], par);
    }
}

std::string joined(const std::vector<std::string>& entries) {
    std::string list;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        list += (i > 0 ? "," : "") + entries[i];
    }
    return list;
}

TEST_F(AccountReplies, ParListLowersLocalParsOnly) {
    setAllPars(world_.state, "20");
    world_.state.levelStrings[5] = rewritePar(world_.state.levelStrings[5], "12");
    const SharedState before = world_.state;

    std::vector<std::string> entries(100, "20");
    entries[4] = " 9 ";  // level 5: below its par of 12
    entries[5] = "25";   // level 6: above
    entries[6] = "20";   // level 7: equal
    entries[7] = "abc";  // level 8: no number, skipped rather than read as 0
    entries[8] = "0";    // level 9
    entries[9] = "-3";   // level 10
    entries[10] = "4.5"; // level 11: no whole number
    entries[11] = "";    // level 12
    entries[12] = "17";  // level 13: below
    server_.reply("/dovrix/pars", joined(entries));
    world_.accounts.DownloadPars();

    for (std::size_t level = 1; level <= 100; ++level) {
        const std::string& old = before.levelStrings[level];
        if (level == 5) {
            EXPECT_EQ(world_.state.levelStrings[5], "9" + old.substr(old.find(',')));
        } else if (level == 13) {
            EXPECT_EQ(world_.state.levelStrings[13], "17" + old.substr(old.find(',')));
        } else {
            EXPECT_EQ(world_.state.levelStrings[level], old) << "level " << level;
        }
    }
}

TEST_F(AccountReplies, ParListNeedsTwoHundredNinetyCharactersAndStopsWhereItEnds) {
    setAllPars(world_.state, "20");
    const SharedState before = world_.state;
    // 100 entries, level 5's lowered, padded with blanks to an exact length.
    const auto listOfLength = [](std::size_t length) {
        std::vector<std::string> entries(100, "20");
        entries[4] = "9";
        for (std::size_t i = 90; i < 99; ++i) {
            entries[i] = "";
        }
        std::string list = joined(entries);
        list += std::string(length - list.size(), ' ');
        return list;
    };
    const std::string tooShort = listOfLength(289);
    ASSERT_EQ(tooShort.size(), 289u);
    server_.reply("/dovrix/pars", tooShort);
    world_.accounts.DownloadPars();
    EXPECT_EQ(world_.state.levelStrings, before.levelStrings);
    EXPECT_EQ(world_.state.serverReply, tooShort);

    server_.reply("/dovrix/pars", listOfLength(290));
    world_.accounts.DownloadPars();
    EXPECT_EQ(world_.state.levelStrings[5].substr(0, 2), "9,");

    // Only 60 entries: levels 1 to 60 are read, the rest keep their pars.
    std::vector<std::string> sixty(60, "7");
    sixty[59] = "7" + std::string(200, ' ');
    server_.reply("/dovrix/pars", joined(sixty));
    world_.accounts.DownloadPars();
    for (std::size_t level = 1; level <= 100; ++level) {
        const std::string& old = before.levelStrings[level];
        const std::string expected = level <= 60 ? "7" + old.substr(old.find(',')) : old;
        EXPECT_EQ(world_.state.levelStrings[level], expected) << "level " << level;
    }
}

TEST_F(AccountReplies, ParUploadSendsTheRecordAndKeepsTheReply) {
    server_.reply("/dovrix/pars", "Thanks");
    world_.accounts.uploadPar(42, 17, 23);
    const auto sent = server_.requests().back();
    EXPECT_EQ(sent.path, "/dovrix/pars");
    EXPECT_EQ(sent.value("Level"), "42");
    EXPECT_EQ(sent.value("Moves"), "17");
    EXPECT_EQ(sent.value("Par"), "23");
    EXPECT_EQ(world_.state.serverReply, "Thanks");
    EXPECT_TRUE(world_.messages.shown.empty());

    server_.reply("/dovrix/account?o=create", "Username Already Exists");
    EXPECT_EQ(world_.accounts.createAccount(), "Username Already Exists");
    EXPECT_EQ(world_.state.serverReply, "Username Already Exists");
    server_.reply("/dovrix/account?o=vorna", "abc");
    EXPECT_EQ(world_.accounts.checkDistrictStudent(), "abc");
    EXPECT_EQ(server_.requests().back().value("o"), "vorna");
    EXPECT_EQ(server_.requests().back().value("u"), "mary");
}

} // namespace
} // namespace dovrix::testing
