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
    EXPECT_EQ(http.get(parListRequest(server.url(), "ok")), "57");
    EXPECT_EQ(http.get(parListRequest(server.url(), "empty")), "");
    EXPECT_EQ(http.get(parListRequest(server.url(), "broken")),
              "<html>Internal Server Error</html>");
    EXPECT_EQ(waiting, (std::vector<bool>{true, false, true, false, true, false}));

    EXPECT_EQ(http.get(parListRequest("not a url", "")), std::nullopt);
    EXPECT_EQ(http.get(parListRequest("http://name.invalid/", "ok")), std::nullopt);
    SilentServer silent;
    http.setTimeout(std::chrono::milliseconds(200));
    EXPECT_EQ(http.get(parListRequest(silent.url(), "ok")), std::nullopt);
    EXPECT_FALSE(http.isWaiting());
}

// The request lines as the server receives them, byte for byte: every value percent-encoded
// in capitals but for letters, digits and "-._~", UTF-8 byte by byte.
TEST(QtHttpGet, SendsEachValueAsTypedInTheQuery) {
    ScriptedHttpServer server;
    QtHttpGet http;
    const std::string base = server.url();
    std::string ascii;
    for (char c = ' '; c <= '~'; ++c) {
        ascii.push_back(c);
    }
    for (const ServerRequest& request :
         {accountRequest(base, "dovrix/account", "create", "Mary & Co #1+ é/", "p%20w+d&x=#?"),
          updateRequest(base, "dovrix/account", "pat.kim", "", 57),
          parListRequest(base, "dovrix/pars"), parUploadRequest(base, "dovrix/pars", 87, 16, 19),
          accountRequest(base, "dovrix/account", "login", ascii, "\u03A9mega\U0001F600")}) {
        http.get(request);
    }
    std::vector<std::string> targets;
    for (const httplib::Request& request : server.requests()) {
        targets.push_back(request.target);
    }
    EXPECT_EQ(targets,
              (std::vector<std::string>{
                  "/dovrix/account?o=create&u=Mary%20%26%20Co%20%231%2B%20%C3%A9%2F"
                  "&p=p%2520w%2Bd%26x%3D%23%3F",
                  "/dovrix/account?o=update&u=pat.kim&p=&l=57", "/dovrix/pars",
                  "/dovrix/pars?Level=87&Moves=16&Par=19",
                  "/dovrix/account?o=login&u=%20%21%22%23%24%25%26%27%28%29%2A%2B%2C-.%2F"
                  "0123456789%3A%3B%3C%3D%3E%3F%40ABCDEFGHIJKLMNOPQRSTUVWXYZ%5B%5C%5D%5E_%60"
                  "abcdefghijklmnopqrstuvwxyz%7B%7C%7D~&p=%CE%A9mega%F0%9F%98%80"}));
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
