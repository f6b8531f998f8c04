// How the player's name is found and shaped, from the process's real environment.

#include "account_world.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

namespace dovrix::testing {
namespace {

const char* const kNameVariables[] = {"NWUSERNAME", "LOGIN", "USERNAME"};

// Sets the three name variables for one test and puts the old ones back afterwards.
class PlayerName : public ::testing::Test {
protected:
    PlayerName() {
        for (const char* name : kNameVariables) {
            if (const char* value = std::getenv(name)) {
                saved_.emplace_back(name, value);
            }
            unsetenv(name);
        }
    }
    ~PlayerName() override {
        for (const char* name : kNameVariables) {
            unsetenv(name);
        }
        for (const auto& [name, value] : saved_) {
            setenv(name.c_str(), value.c_str(), 1);
        }
    }

    // The names GetPlayerName leaves: playerName and accountUser.
    std::pair<std::string, std::string>
    shape(const std::vector<std::pair<const char*, const char*>>& variables, bool atSchool,
          const std::string& accountUser) {
        for (const char* name : kNameVariables) {
            unsetenv(name);
        }
        for (const auto& [name, value] : variables) {
            setenv(name, value, 1);
        }
        AccountWorld world("http://127.0.0.1:9/");
        world.state.atSchool = atSchool;
        world.state.accountUser = accountUser;
        world.accounts.GetPlayerName();
        return {world.state.playerName, world.state.accountUser};
    }

    std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(PlayerName, AtSchoolFromTheLogOnName) {
    using Names = std::pair<std::string, std::string>;
    EXPECT_EQ(shape({{"NWUSERNAME", "  John.Smith "}}, true, ""),
              Names("John Smith", "john.smith"));
    EXPECT_EQ(shape({{"NWUSERNAME", "jsmith"}}, true, ""), Names("JSmith", "jsmith"));
    // Blanks only count as empty: the next variable is asked.
    EXPECT_EQ(shape({{"NWUSERNAME", "   "}, {"LOGIN", "ann.lee"}, {"USERNAME", "x"}}, true, ""),
              Names("Ann Lee", "ann.lee"));
    EXPECT_EQ(shape({{"NWUSERNAME", ""}, {"LOGIN", ""}, {"USERNAME", "BOB.JONES"}}, true, ""),
              Names("Bob Jones", "bob.jones"));
    // Only the first period and the first backslash become blanks.
    EXPECT_EQ(shape({{"NWUSERNAME", "a.b.c"}}, true, ""), Names("A B.c", "a.b.c"));
    EXPECT_EQ(shape({{"NWUSERNAME", "VORNA\\jsmith"}}, true, ""),
              Names("VOrna jsmith", "vorna\\jsmith"));
    // A leading period leaves a leading blank; the letter after it is the one capitalised.
    EXPECT_EQ(shape({{"NWUSERNAME", ".lee"}}, true, ""), Names(" Lee", ".lee"));
    // Where the second capital has no character, the name stays as it was.
    EXPECT_EQ(shape({{"NWUSERNAME", "j"}}, true, ""), Names("j", "j"));
    EXPECT_EQ(shape({{"NWUSERNAME", "john."}}, true, ""), Names("john ", "john."));
    EXPECT_EQ(shape({{"NWUSERNAME", "Émile.ZOLA"}}, true, ""), Names("Émile Zola", "émile.zola"));
    // An account name already known wins over the log-on name, in lower case.
    EXPECT_EQ(shape({{"NWUSERNAME", "someone"}}, true, "Kim.Lee"), Names("Kim Lee", "Kim.Lee"));
    // The variables exist but say nothing: no name, and the progress file is ".txt".
    EXPECT_EQ(shape({{"NWUSERNAME", ""}, {"LOGIN", " "}, {"USERNAME", ""}}, true, ""),
              Names("", ""));
}

TEST_F(PlayerName, AtHomeInCapitalsUnlessTheAccountHasAPeriod) {
    using Names = std::pair<std::string, std::string>;
    EXPECT_EQ(shape({{"USERNAME", "mary"}}, false, ""), Names("MARY", ""));
    EXPECT_EQ(shape({{"USERNAME", "mary"}}, false, "Bobby T"), Names("BOBBY T", "Bobby T"));
    // A student's name typed at home is shaped as at school; the typed name is kept.
    EXPECT_EQ(shape({{"USERNAME", "mary"}}, false, "First.LAST"),
              Names("First Last", "First.LAST"));
    EXPECT_EQ(shape({{"USERNAME", "mary.jones"}}, false, ""), Names("MARY.JONES", ""));
    EXPECT_EQ(shape({{"USERNAME", "zoë"}}, false, ""), Names("ZOË", ""));
}

TEST_F(PlayerName, WithoutTheVariablesTheSystemUserNameServes) {
    const passwd* user = getpwuid(geteuid());
    ASSERT_NE(user, nullptr);
    std::string expected = user->pw_name;
    for (char& c : expected) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const auto [playerName, accountUser] = shape({}, true, "");
    EXPECT_EQ(accountUser, expected);
    EXPECT_FALSE(playerName.empty());
    // The same name on every run.
    EXPECT_EQ(shape({}, true, "").first, playerName);
}

TEST_F(PlayerName, SchoolIsKnownByDomainAndHomeDrive) {
    const std::vector<std::tuple<const char*, const char*, bool>> rows = {
        {"VORNA", "H:", true},  {"vorna", "h:", true},     {"Vorna", "H:", true},
        {"VORNA", "C:", false}, {"OTHER", "H:", false},    {"VORNA", nullptr, false},
        {nullptr, "H:", false}, {nullptr, nullptr, false}, {" VORNA", "H:", false},
    };
    const char* savedDomain = std::getenv("USERDOMAIN");
    const char* savedDrive = std::getenv("HOMEDRIVE");
    const std::string domain = savedDomain ? savedDomain : "";
    const std::string drive = savedDrive ? savedDrive : "";
    for (const auto& [userDomain, homeDrive, atSchool] : rows) {
        userDomain ? setenv("USERDOMAIN", userDomain, 1) : unsetenv("USERDOMAIN");
        homeDrive ? setenv("HOMEDRIVE", homeDrive, 1) : unsetenv("HOMEDRIVE");
        AccountWorld world("http://127.0.0.1:9/");
        EXPECT_EQ(world.accounts.detectSchool(), atSchool)
            << (userDomain ? userDomain : "(none)") << ' ' << (homeDrive ? homeDrive : "(none)");
    }
    savedDomain ? setenv("USERDOMAIN", domain.c_str(), 1) : unsetenv("USERDOMAIN");
    savedDrive ? setenv("HOMEDRIVE", drive.c_str(), 1) : unsetenv("HOMEDRIVE");
}

} // namespace
} // namespace dovrix::testing
