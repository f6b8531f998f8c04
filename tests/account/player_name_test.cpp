// How the player's name is found and shaped, and the school recognised, from the process's
// real environment.

#include "account_world.h"

#include <gtest/gtest.h>

#include <array>

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace dovrix::testing {
namespace {

// The player's display name and account name.
using Names = std::pair<std::string, std::string>;

// The names GetPlayerName leaves with these values of NWUSERNAME, LOGIN and USERNAME (null:
// not set).
Names shape(std::array<const char*, 3> values, bool atSchool, const std::string& accountUser) {
    VariablesForTest variables;
    variables.set("NWUSERNAME", values[0]);
    variables.set("LOGIN", values[1]);
    variables.set("USERNAME", values[2]);
    AccountWorld world("http://127.0.0.1:9/", accountUser);
    world.state.atSchool = atSchool;
    world.accounts.GetPlayerName();
    return {world.state.playerName, world.state.accountUser};
}

TEST(PlayerName, ShapedFromTheLogOnNameAtSchoolAndInCapitalsAtHome) {
    // The variables, at school, the account name known before, and the names made.
    const std::vector<std::tuple<std::array<const char*, 3>, bool, std::string, Names>> rows = {
        {{"  John.Smith ", nullptr, nullptr}, true, "", {"John Smith", "john.smith"}},
        {{"jsmith", nullptr, nullptr}, true, "", {"JSmith", "jsmith"}},
        {{"nw.kim", "lo.kim", "us.kim"}, true, "", {"Nw Kim", "nw.kim"}}, // NWUSERNAME first
        // Blanks only count as empty: the next variable is asked.
        {{"   ", "ann.lee", "x"}, true, "", {"Ann Lee", "ann.lee"}},
        {{"", "", "BOB.JONES"}, true, "", {"Bob Jones", "bob.jones"}},
        // Only the first period and the first backslash become blanks.
        {{"a.b.c", nullptr, nullptr}, true, "", {"A B.c", "a.b.c"}},
        {{"VORNA\\jsmith", nullptr, nullptr}, true, "", {"VOrna jsmith", "vorna\\jsmith"}},
        // A leading period leaves a leading blank; the letter after it is the one capitalised.
        {{".lee", nullptr, nullptr}, true, "", {" Lee", ".lee"}},
        // Where the second capital has no character, the name stays as it was.
        {{"j", nullptr, nullptr}, true, "", {"j", "j"}},
        {{"john.", nullptr, nullptr}, true, "", {"john ", "john."}},
        {{"Émile.ZOLA", nullptr, nullptr}, true, "", {"Émile Zola", "émile.zola"}},
        // Bytes that are not UTF-8 are no characters: an overlong period is no period.
        {{"ann\xC0\xAElee", nullptr, nullptr},
         true,
         "",
         {"ANn\uFFFD\uFFFDlee", "ann\uFFFD\uFFFDlee"}},
        // An account name already known wins over the log-on name, shaped in lower case.
        {{"someone", nullptr, nullptr}, true, "Kim.Lee", {"Kim Lee", "Kim.Lee"}},
        // The variables exist but say nothing: no name, and the progress file is ".txt".
        {{"", " ", ""}, true, "", {"", ""}},
        // At home: capitals, unless the account name has a period (a student at home).
        {{nullptr, nullptr, "mary"}, false, "", {"MARY", ""}},
        {{nullptr, nullptr, "mary"}, false, "Bobby T", {"BOBBY T", "Bobby T"}},
        {{nullptr, nullptr, "mary"}, false, "First.LAST", {"First Last", "First.LAST"}},
        {{nullptr, nullptr, "mary.jones"}, false, "", {"MARY.JONES", ""}},
        {{nullptr, nullptr, "zoë"}, false, "", {"ZOË", ""}},
    };
    for (const auto& [variables, atSchool, accountUser, names] : rows) {
        EXPECT_EQ(shape(variables, atSchool, accountUser), names)
            << (variables[0] ? variables[0] : "-") << ' ' << (variables[2] ? variables[2] : "-")
            << ' ' << accountUser;
    }

    // Without any of the variables, the system's user name serves, the same on every run.
#ifdef _WIN32
    // The log-on name, which Windows also puts in USERNAME (plain ASCII here).
    const char* user = std::getenv("USERNAME");
    ASSERT_NE(user, nullptr);
    std::string expected = user;
#else
    const passwd* user = getpwuid(geteuid());
    ASSERT_NE(user, nullptr);
    std::string expected = user->pw_name;
#endif
    for (char& c : expected) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const Names names = shape({}, true, "");
    EXPECT_EQ(names.second, expected);
    EXPECT_FALSE(names.first.empty());
    EXPECT_EQ(shape({}, true, ""), names);
}

TEST(PlayerName, SchoolIsKnownByDomainAndHomeDrive) {
    const std::vector<std::tuple<const char*, const char*, bool>> rows = {
        {"VORNA", "H:", true},  {"vorna", "h:", true},     {"Vorna", "H:", true},
        {"VORNA", "C:", false}, {"OTHER", "H:", false},    {"VORNA", nullptr, false},
        {nullptr, "H:", false}, {nullptr, nullptr, false}, {" VORNA", "H:", false},
    };
    for (const auto& [userDomain, homeDrive, atSchool] : rows) {
        VariablesForTest variables;
        variables.set("USERDOMAIN", userDomain);
        variables.set("HOMEDRIVE", homeDrive);
        AccountWorld world("http://127.0.0.1:9/");
        EXPECT_EQ(world.accounts.detectSchool(), atSchool)
            << (userDomain ? userDomain : "-") << ' ' << (homeDrive ? homeDrive : "-");
    }
}

} // namespace
} // namespace dovrix::testing
