// The progress file at school: what LoadProgress and SaveProgress make of the file and the
// account server's level, with a real share folder and a scripted server.

#include "account_world.h"
#include "progress_file.h"
#include "scripted_http_server.h"

#include <gtest/gtest.h>

#include <functional>
#ifndef _WIN32
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace dovrix::testing {
namespace {

// The school login's reply when the server has no level to give.
const std::string kNoLevel = "Error Creating Account";

TEST(ProgressFile, ReadsTheFirstNumberOnly) {
    const std::vector<std::pair<std::string, int16_t>> numbers = {
        {" 12 \r\n", 12}, {"12", 12}, {"   7,3\n", 7}, {"40\r\n35", 40}, {"8 nine", 8},
        {"-4 ", -4},      {"+6", 6},  {"2.5", 2},      {"3.5", 4},       {"32767", 32767}};
    for (const auto& [content, level] : numbers) {
        EXPECT_EQ(readProgressFile(content), level) << '"' << content << '"';
    }
    for (const char* content :
         {"32768", "99999999999", "", "   \r\n", "abc", "12abc", ",12", "\r\n12", "-"}) {
        EXPECT_EQ(readProgressFile(content), std::nullopt) << '"' << content << '"';
    }
}

TEST(Progress, LoadTakesTheHigherOfFileAndServerAndRepairsOutOfRangeLevels) {
    struct Row {
        std::string serverLevel;
        std::optional<std::string> file;
        int16_t levelReached;
        int16_t currentLevel;
        std::string fileAfter;
        std::vector<std::string> updates;
    };
    const std::vector<Row> rows = {
        // The server's higher level reaches the file and is sent back.
        {"40", " 35 \r\n", 40, 40, " 40 \r\n", {"40"}},
        // A higher file is kept untouched.
        {"35", "40\r\n", 40, 40, "40\r\n", {}},
        // The first run creates the file.
        {kNoLevel, std::nullopt, 1, 1, " 1 \r\n", {"1"}},
        // Every level beaten: all open, start at the first; the 101 is kept as it is.
        {"101", std::nullopt, 100, 1, " 101 \r\n", {"101"}},
        {kNoLevel, " 101 \r\n", 100, 1, " 101 \r\n", {}},
        {kNoLevel, " 100 \r\n", 100, 100, " 100 \r\n", {}},
        // Below 1: level 1, written back and sent.
        {kNoLevel, " 0 \r\n", 1, 1, " 1 \r\n", {"1"}},
        {kNoLevel, "-7", 1, 1, " 1 \r\n", {"1"}},
        // Too high: level 1 for this run, but the file is never lowered.
        {kNoLevel, "102", 1, 1, "102", {}},
        // Unreadable (which numbers are, the first test shows): like no file at all.
        {kNoLevel, "hello", 1, 1, " 1 \r\n", {"1"}},
    };
    for (const Row& row : rows) {
        const std::string label = row.serverLevel + " / " + row.file.value_or("no file");
        ScriptedHttpServer server;
        server.reply("/dovrix/account?o=qel", row.serverLevel);
        server.reply("/dovrix/account?o=update", "OK");
        AccountWorld world(server.url());
        world.atSchool("pat.kim", "Pat Kim");
        if (row.file) {
            world.writeProgressFile(*row.file);
        }
        world.accounts.LoadProgress();
        EXPECT_EQ(std::tuple(world.state.levelReached, world.state.currentLevel,
                             world.progressFileContent(), server.updates()),
                  std::tuple(row.levelReached, row.currentLevel, row.fileAfter, row.updates))
            << label;
        EXPECT_TRUE(world.messages.shown.empty()) << label;
    }
}

TEST(Progress, SaveWritesOnlyAHigherLevelAndThenSendsIt) {
    ScriptedHttpServer server;
    server.reply("/dovrix/account?o=update", "OK");
    AccountWorld world(server.url());
    world.atSchool("pat.kim", "Pat Kim");
    world.writeProgressFile(" 20 \r\n");
    for (const int16_t level : {20, 19, 21}) {
        world.state.levelReached = level;
        world.accounts.SaveProgress();
        EXPECT_EQ(world.progressFileContent(), level == 21 ? " 21 \r\n" : " 20 \r\n");
        EXPECT_EQ(server.updates(), std::vector<std::string>(level == 21, "21"));
    }
    EXPECT_EQ(server.requests().size(), 1u);

    // The file's name is the display name as it stands, blanks and capitals included; with
    // no name at all it is only the extension.
    EXPECT_TRUE(std::filesystem::exists(world.share + "/Dovrix/Pat Kim.txt"));
    world.state.playerName.clear();
    world.accounts.SaveProgress();
    EXPECT_TRUE(std::filesystem::exists(world.share + "/Dovrix/.txt"));
}

#ifndef _WIN32
// Runs `write` as a player without root's powers: in a child process that becomes nobody
// when the tests run as root. True when it reports success.
bool writesAsPlayer(const std::function<bool()>& write) {
    const pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (nobody == nullptr || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) {
                _exit(2);
            }
        }
        _exit(write() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(Progress, TheirOwnFileInAFolderThePlayerMayNotWriteIsOverwritten) {
    TempFolder folder;
    const auto dovrix = folder.path() / "Dovrix";
    std::filesystem::create_directories(dovrix);
    const auto file = dovrix / "Pat Kim.txt";
    std::ofstream(file) << " 3 \r\n";
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    if (getuid() == 0) {
        ASSERT_EQ(chown(file.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    using std::filesystem::perms;
    std::filesystem::permissions(folder.path(), perms::owner_all | perms::others_exec);
    std::filesystem::permissions(dovrix, perms::owner_read | perms::owner_exec |
                                             perms::others_read | perms::others_exec);
    const auto inode = [&file] {
        struct stat info {};
        stat(file.c_str(), &info);
        return info.st_ino;
    };
    const ino_t before = inode();

    FolderShareFiles share(folder.path().string());
    EXPECT_TRUE(writesAsPlayer([&] { return share.write("Dovrix/Pat Kim.txt", " 12 \r\n"); }));
    EXPECT_EQ(share.read("Dovrix/Pat Kim.txt"), " 12 \r\n");
    EXPECT_EQ(inode(), before); // in place
    // No new file where the folder allows none.
    EXPECT_FALSE(writesAsPlayer([&] { return share.write("Dovrix/Lee Ray.txt", " 1 \r\n"); }));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dovrix), {}), 1);

    // Where the folder allows it, the file is replaced whole by a new one.
    std::filesystem::permissions(dovrix, perms::all);
    EXPECT_TRUE(writesAsPlayer([&] { return share.write("Dovrix/Pat Kim.txt", " 13 \r\n"); }));
    EXPECT_EQ(share.read("Dovrix/Pat Kim.txt"), " 13 \r\n");
    EXPECT_NE(inode(), before);
}

#endif

TEST(Progress, UnreachableShareStartsAtLevelOneAndSendsNothing) {
    ScriptedHttpServer server;
    server.reply("/dovrix/account?o=qel", "40");
    server.reply("/dovrix/account?o=update", "OK");
    AccountWorld world(server.url());
    world.atSchool("pat.kim", "Pat Kim");
    std::filesystem::remove_all(world.share);
    world.accounts.LoadProgress();
    EXPECT_TRUE(world.state.levelReached == 1 && world.state.currentLevel == 1);
    world.state.levelReached = 2;
    world.accounts.SaveProgress();
    EXPECT_TRUE(server.updates().empty());
    // The share's folders are never created.
    EXPECT_FALSE(std::filesystem::exists(world.share));
    EXPECT_TRUE(world.messages.shown.empty());
}

} // namespace
} // namespace dovrix::testing
