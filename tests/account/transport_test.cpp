// The real parts under the account routines: Qt HTTP, the share folder and the deployment
// settings.

#include "deployment.h"
#include "folder_share_files.h"
#include "qt_http_get.h"
#include "request_urls.h"
#include "scripted_http_server.h"
#include "system_environment.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
    EXPECT_EQ(http.get(server.url() + "missing"), "<html><body>Not Found</body></html>");
    EXPECT_EQ(waiting, (std::vector<bool>{true, false, true, false, true, false, true, false}));
    EXPECT_FALSE(http.isWaiting());
    EXPECT_EQ(http.timeout(), std::chrono::seconds(60));

    // The query arrives decoded as it was before encoding.
    const std::string awkward = "a&b #%+c=d?é/";
    EXPECT_EQ(percentEncode(awkward), "a%26b%20%23%25%2Bc%3Dd%3F%C3%A9%2F");
    http.get(accountRequestUrl(server.url(), "ok", "login", awkward, "p w&"));
    EXPECT_EQ(server.requests().back().value("u"), awkward);
    EXPECT_EQ(server.requests().back().value("p"), "p w&");

    EXPECT_EQ(http.get(refusingUrl() + "ok"), std::nullopt);
    EXPECT_EQ(http.get("not a url"), std::nullopt);
    EXPECT_EQ(http.get("http://name.invalid/ok"), std::nullopt);

    SilentServer silent;
    http.setTimeout(std::chrono::milliseconds(200));
    EXPECT_EQ(http.get(silent.url() + "ok"), std::nullopt);
    EXPECT_FALSE(http.isWaiting());
}

TEST(FolderShareFiles, ReplacesFilesWholeAndNeverMakesFolders) {
    TempFolder folder;
    std::filesystem::create_directories(folder.path() / "Dovrix");
    FolderShareFiles share(folder.path().string());
    EXPECT_EQ(share.read("Dovrix/Pat Kim.txt"), std::nullopt);
    EXPECT_TRUE(share.write("Dovrix/Pat Kim.txt", " 12 \r\n"));
    EXPECT_EQ(share.read("Dovrix/Pat Kim.txt"), " 12 \r\n");
    EXPECT_TRUE(share.write("Dovrix/Pat Kim.txt", " 3 \r\n"));
    EXPECT_EQ(share.read("Dovrix/Pat Kim.txt"), " 3 \r\n");
    // Nothing is left beside the file: the temporary copy was renamed over it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path() / "Dovrix"),
                            std::filesystem::directory_iterator()),
              1);

    EXPECT_FALSE(share.write("Dovrix/NewPars/record.txt", "Level:  5\r\n"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Dovrix" / "NewPars"));

    // A target that cannot be replaced stays as it was.
    std::filesystem::create_directories(folder.path() / "Dovrix" / "taken.txt");
    EXPECT_FALSE(share.write("Dovrix/taken.txt", "x"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "Dovrix" / "taken.txt"));

    // Paths never leave the share.
    std::ofstream(folder.path() / "outside.txt") << "secret";
    FolderShareFiles inner((folder.path() / "Dovrix").string());
    EXPECT_EQ(inner.read("../outside.txt"), std::nullopt);
    EXPECT_FALSE(inner.write("../outside.txt", "x"));
    EXPECT_EQ(inner.read("/etc/hostname"), std::nullopt);

    FolderShareFiles nowhere((folder.path() / "absent").string());
    EXPECT_FALSE(nowhere.write("Dovrix/a.txt", "1"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "absent"));
}

TEST(Deployment, EnvironmentOverridesTheBuiltInServerAndShare) {
    SystemEnvironment environment;
    unsetenv("DOVRIX_SERVER_URL");
    unsetenv("DOVRIX_PROGRESS_SHARE");
    const Deployment builtIn = Deployment::fromEnvironment(environment);
    EXPECT_EQ(builtIn.accountPath, "dovrix/account");
    EXPECT_EQ(builtIn.parListPath, "dovrix/pars");
    EXPECT_EQ(builtIn.districtDomain, "VORNA");
    EXPECT_EQ(builtIn.homeDrive, "H:");
    EXPECT_EQ(builtIn.serverUrl.back(), '/');

    setenv("DOVRIX_SERVER_URL", "http://school.example:9000/games/", 1);
    setenv("DOVRIX_PROGRESS_SHARE", "/srv/share", 1);
    const Deployment deployed = Deployment::fromEnvironment(environment);
    EXPECT_EQ(deployed.serverUrl, "http://school.example:9000/games/");
    EXPECT_EQ(deployed.progressShare, "/srv/share");

    setenv("DOVRIX_SERVER_URL", "http://school.example:9000", 1);
    EXPECT_EQ(Deployment::fromEnvironment(environment).serverUrl, "http://school.example:9000/");
    setenv("DOVRIX_SERVER_URL", "", 1);
    EXPECT_EQ(Deployment::fromEnvironment(environment).serverUrl, builtIn.serverUrl);
    unsetenv("DOVRIX_SERVER_URL");
    unsetenv("DOVRIX_PROGRESS_SHARE");
}

} // namespace
} // namespace dovrix::testing
