// The real parts under the account routines: Qt HTTP and the share folder.

#include "account_world.h"
#include "scripted_http_server.h"

#include <gtest/gtest.h>

namespace dovrix::testing {
namespace {

TEST(QtHttpGet, ReturnsEveryBodyAndFailsOnlyWithoutAReply) {
    ScriptedHttpServer server;
    server.reply("/ok", "57");
    server.reply("/empty", "");
    server.reply("/broken", "<html>Internal Server Error</html>", 500);
    QtHttpGet http;
    std::vector<bool> waiting;
    QObject::connect(&http, &QtHttpGet::waitingChanged, [&](bool now) { waiting.push_back(now); });
    EXPECT_EQ(http.get(server.url() + "ok"), "57");
    EXPECT_EQ(http.get(server.url() + "empty"), "");
    EXPECT_EQ(http.get(server.url() + "broken"), "<html>Internal Server Error</html>");
    EXPECT_EQ(waiting, (std::vector<bool>{true, false, true, false, true, false}));

    EXPECT_EQ(http.get("not a url"), std::nullopt);
    EXPECT_EQ(http.get("http://name.invalid/ok"), std::nullopt);
    SilentServer silent;
    http.setTimeout(std::chrono::milliseconds(200));
    EXPECT_EQ(http.get(silent.url() + "ok"), std::nullopt);
    EXPECT_FALSE(http.isWaiting());
}

TEST(FolderShareFiles, ReplacesFilesWholeAndNeverMakesFolders) {
    TempFolder folder;
    const auto dovrix = folder.path() / "Dovrix";
    std::filesystem::create_directories(dovrix);
    FolderShareFiles share(folder.path().string());
    EXPECT_EQ(share.read("Dovrix/Pat Kim.txt"), std::nullopt);
    EXPECT_TRUE(share.write("Dovrix/Pat Kim.txt", " 12 \r\n"));
    EXPECT_TRUE(share.write("Dovrix/Pat Kim.txt", " 3 \r\n"));
    EXPECT_EQ(share.read("Dovrix/Pat Kim.txt"), " 3 \r\n");
    // Nothing is left beside the file: the temporary copy was renamed over it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dovrix), {}), 1);

    EXPECT_FALSE(share.write("Dovrix/NewPars/record.txt", "Level:  5\r\n"));
    EXPECT_FALSE(std::filesystem::exists(dovrix / "NewPars"));
    // A target that cannot be replaced stays as it was.
    std::filesystem::create_directories(dovrix / "taken.txt");
    EXPECT_FALSE(share.write("Dovrix/taken.txt", "x"));
    EXPECT_TRUE(std::filesystem::is_directory(dovrix / "taken.txt"));

    // Paths never leave the share.
    std::ofstream(folder.path() / "outside.txt") << "secret";
    FolderShareFiles inner(dovrix.string());
    EXPECT_EQ(inner.read("../outside.txt"), std::nullopt);
    EXPECT_FALSE(inner.write("../outside.txt", "x"));
    EXPECT_EQ(inner.read("/etc/hostname"), std::nullopt);
}

} // namespace
} // namespace dovrix::testing
