// The progress file at school: what LoadProgress and SaveProgress make of the file and the
// account server's level, with a real share folder and a scripted server.

#include "account_world.h"
#include "progress_file.h"
#include "scripted_http_server.h"

#include <gtest/gtest.h>

namespace dovrix::testing {
namespace {

class Progress : public ::testing::Test {
protected:
    Progress() {
        server_.reply("/dovrix/account?o=update", "OK");
        // No level from the server unless a test gives one.
        server_.reply("/dovrix/account?o=qel", "Error Creating Account");
        world_.state.atSchool = true;
        world_.state.accountUser = "pat.kim";
        world_.state.playerName = "Pat Kim";
    }

    void serverLevel(const std::string& level) { server_.reply("/dovrix/account?o=qel", level); }

    ScriptedHttpServer server_;
    AccountWorld world_{server_.url()};
};

TEST_F(Progress, FileFormatAndReadingRule) {
    EXPECT_EQ(formatProgressFile(12), " 12 \r\n");
    EXPECT_EQ(formatProgressFile(1), " 1 \r\n");
    EXPECT_EQ(formatProgressFile(101), " 101 \r\n");

    const std::vector<std::pair<std::string, std::optional<int16_t>>> rows = {
        {" 12 \r\n", 12},
        {"12", 12},
        {"   7,3\n", 7},
        {"40\r\n35", 40},
        {"8 nine", 8},
        {"-4 ", -4},
        {"+6", 6},
        {"2.5", 2},
        {"3.5", 4},
        {"32767", 32767},
        {"32768", std::nullopt},
        {"99999999999", std::nullopt},
        {"", std::nullopt},
        {"   \r\n", std::nullopt},
        {"abc", std::nullopt},
        {"12abc", std::nullopt},
        {",12", std::nullopt},
        {"\r\n12", std::nullopt},
        {"-", std::nullopt},
    };
    for (const auto& [content, level] : rows) {
        EXPECT_EQ(readProgressFile(content), level) << '"' << content << '"';
    }
}

TEST_F(Progress, LoadTakesTheHigherOfFileAndServer) {
    // Server 40, file 35: the server's level reaches the file and is sent back.
    serverLevel("40");
    world_.writeProgressFile(" 35 \r\n");
    world_.accounts.LoadProgress();
    EXPECT_EQ(world_.state.levelReached, 40);
    EXPECT_EQ(world_.state.currentLevel, 40);
    EXPECT_EQ(world_.progressFileContent(), " 40 \r\n");
    EXPECT_EQ(server_.updates(), std::vector<std::string>{"40"});
    EXPECT_TRUE(world_.messages.shown.empty());
}

TEST_F(Progress, LoadKeepsAHigherFileUntouched) {
    serverLevel("35");
    world_.writeProgressFile("40\r\n");
    world_.accounts.LoadProgress();
    EXPECT_EQ(world_.state.levelReached, 40);
    EXPECT_EQ(world_.state.currentLevel, 40);
    EXPECT_EQ(world_.progressFileContent(), "40\r\n");
    EXPECT_TRUE(server_.updates().empty());
}

TEST_F(Progress, LoadRepairsOutOfRangeLevels) {
    struct Row {
        std::string file;
        int16_t levelReached;
        int16_t currentLevel;
        std::string fileAfter;
        std::vector<std::string> updates;
    };
    const std::vector<Row> rows = {
        // Every level beaten: all open, start at the first.
        {" 101 \r\n", 100, 1, " 101 \r\n", {}},
        {" 100 \r\n", 100, 100, " 100 \r\n", {}},
        // Below 1: level 1, written back and sent.
        {" 0 \r\n", 1, 1, " 1 \r\n", {"1"}},
        {"-7", 1, 1, " 1 \r\n", {"1"}},
        // Too high: level 1 for this run, but the file is never lowered.
        {" 500 \r\n", 1, 1, " 500 \r\n", {}},
        {"102", 1, 1, "102", {}},
        // Unreadable: like no file at all.
        {"hello", 1, 1, " 1 \r\n", {"1"}},
        {"40000", 1, 1, " 1 \r\n", {"1"}},
    };
    for (const Row& row : rows) {
        ScriptedHttpServer server;
        server.reply("/dovrix/account?o=qel", "Error Creating Account");
        server.reply("/dovrix/account?o=update", "OK");
        AccountWorld world(server.url());
        world.state.atSchool = true;
        world.state.accountUser = "pat.kim";
        world.state.playerName = "Pat Kim";
        world.writeProgressFile(row.file);
        world.accounts.LoadProgress();
        EXPECT_EQ(world.state.levelReached, row.levelReached) << row.file;
        EXPECT_EQ(world.state.currentLevel, row.currentLevel) << row.file;
        EXPECT_EQ(world.progressFileContent(), row.fileAfter) << row.file;
        EXPECT_EQ(server.updates(), row.updates) << row.file;
        EXPECT_TRUE(world.messages.shown.empty()) << row.file;
    }
}

TEST_F(Progress, FirstRunCreatesTheFile) {
    world_.accounts.LoadProgress();
    EXPECT_EQ(world_.state.levelReached, 1);
    EXPECT_EQ(world_.state.currentLevel, 1);
    EXPECT_EQ(world_.progressFileContent(), " 1 \r\n");
    EXPECT_EQ(server_.updates(), std::vector<std::string>{"1"});

    // A server level of 101 lands in the file as it is and opens every level.
    ScriptedHttpServer server;
    server.reply("/dovrix/account?o=qel", "101");
    server.reply("/dovrix/account?o=update", "OK");
    AccountWorld world(server.url());
    world.state.atSchool = true;
    world.state.accountUser = "ann.lee";
    world.state.playerName = "Ann Lee";
    world.accounts.LoadProgress();
    EXPECT_EQ(world.progressFileContent(), " 101 \r\n");
    EXPECT_EQ(world.state.levelReached, 100);
    EXPECT_EQ(world.state.currentLevel, 1);
    EXPECT_EQ(server.updates(), std::vector<std::string>{"101"});
}

TEST_F(Progress, SaveWritesOnlyAHigherLevelAndThenSendsIt) {
    world_.writeProgressFile(" 20 \r\n");
    world_.state.levelReached = 20;
    world_.accounts.SaveProgress();
    EXPECT_EQ(world_.progressFileContent(), " 20 \r\n");
    world_.state.levelReached = 19;
    world_.accounts.SaveProgress();
    EXPECT_EQ(world_.progressFileContent(), " 20 \r\n");
    EXPECT_TRUE(server_.requests().empty());

    world_.state.levelReached = 21;
    world_.accounts.SaveProgress();
    EXPECT_EQ(world_.progressFileContent(), " 21 \r\n");
    EXPECT_EQ(server_.updates(), std::vector<std::string>{"21"});

    // The file's name is the display name as it stands, blanks and capitals included.
    EXPECT_TRUE(std::filesystem::exists(world_.share + "/Dovrix/Pat Kim.txt"));
    // No name at all: the file is only the extension.
    world_.state.playerName.clear();
    world_.accounts.SaveProgress();
    EXPECT_EQ(world_.accounts.progressFilePath(), "Dovrix/.txt");
    EXPECT_TRUE(std::filesystem::exists(world_.share + "/Dovrix/.txt"));
}

TEST_F(Progress, UnreachableShareStartsAtLevelOneAndSendsNothing) {
    serverLevel("40");
    Deployment elsewhere = world_.deployment;
    elsewhere.progressShare = world_.folder.file("no-such-share");
    FolderShareFiles missing(elsewhere.progressShare);
    Accounts accounts(world_.state, elsewhere, world_.http, missing, world_.messages,
                      world_.environment);
    accounts.setServerPaths();
    accounts.LoadProgress();
    EXPECT_EQ(world_.state.levelReached, 1);
    EXPECT_EQ(world_.state.currentLevel, 1);
    EXPECT_TRUE(server_.updates().empty());
    world_.state.levelReached = 2;
    accounts.SaveProgress();
    EXPECT_TRUE(server_.updates().empty());
    // The share's folders are never created.
    EXPECT_FALSE(std::filesystem::exists(elsewhere.progressShare));
    EXPECT_TRUE(world_.messages.shown.empty());
}

} // namespace
} // namespace dovrix::testing
