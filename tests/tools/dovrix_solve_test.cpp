// dovrix-solve as level designers and scripts use it: its output and exit statuses.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct ToolRun {
    int status;
    std::string out;
};

ToolRun run(const std::string& arguments, const char* errors = "2>/dev/null",
            const char* tool = DOVRIX_SOLVE_PATH) {
    const std::string command = std::string(tool) + " " + arguments + " " + errors;
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    while (pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr) {
        out += buffer;
    }
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(DovrixSolve, ReplayPrintsTheMovesTicksAndBlocks) {
    const ToolRun replay = run("replay 1 Blue2L Blue1U");
    ASSERT_EQ(replay.status, 0);
    EXPECT_EQ(replay.out,
              "{\"level\":1,\"moves\":[{\"move\":\"Blue2L\",\"counted\":false,\"ticks\":1},"
              "{\"move\":\"Blue1U\",\"counted\":true,\"ticks\":17}],\"movesMade\":1,"
              "\"solved\":false,\"blocks\":["
              "{\"name\":\"Blue1\",\"left\":3150,\"top\":3450,\"visible\":true},"
              "{\"name\":\"Blue2\",\"left\":3750,\"top\":5850,\"visible\":true},"
              "{\"name\":\"Blue3\",\"left\":4350,\"top\":5850,\"visible\":true},"
              "{\"name\":\"Blue4\",\"left\":4950,\"top\":5850,\"visible\":true},"
              "{\"name\":\"Blue5\",\"left\":5550,\"top\":5850,\"visible\":true}]}\n");

    const ToolRun custom = run("replay 1,0,0,0,1,7,3,0,1,7,7,1,1,7,3,1, Blue1U");
    ASSERT_EQ(custom.status, 0);
    EXPECT_THAT(custom.out, HasSubstr("\"level\":\"1,0,0,0,1,7,3,0,1,7,7,1,1,7,3,1,\""));
    EXPECT_THAT(custom.out, HasSubstr("\"solved\":true"));
    EXPECT_THAT(custom.out, HasSubstr("\"visible\":false"));
}

TEST(DovrixSolve, SolvesBoardsUpToTheFrameOrSaysWhyNotAndListsTheCatalogue) {
    // The arguments, the status and the start of the output, or a part of it (with errors).
    // A pit in column 14 reaches 9060 twips: drawn inside the frame, and solved. Half a cell
    // off the solver's lattice: the game plays it, the solver says why it cannot.
    const std::tuple<const char*, int, const char*, const char*> rows[] = {
        {"solve 1", 0, "optimum: 5 moves", "traps: 2 of 7 first moves\nshortest solutions: 120\n"},
        {"solve 5,0,0,0,1,14,0,0,1,10,5,1,1,14,5,1,", 0, "optimum: 1 moves", ""},
        {"solve 5,0,600,0,1,5,13,0,1,4,9,1,1,4,13,1,", 0, "optimum: 1 moves", ""},
        {"solve 31 --max-states 100", 1, "", "state budget of 100 states ran out"},
        {"solve 5,150,0,0,0,0,1,10,5,1,1,12,5,1, 2>&1", 2, "",
         "cannot search this level: the regions need board offsets that are multiples of 300 "
         "twips"},
        {"solve 5,300,0,0,1,14,0,0,0,0, 2>&1", 2, "",
         "pit 1: it cannot be drawn inside the board frame"},
    };
    for (const auto& [arguments, status, start, part] : rows) {
        const ToolRun solved = run(arguments, "");
        EXPECT_EQ(solved.status, status) << arguments;
        EXPECT_THAT(solved.out, ::testing::AllOf(StartsWith(start), HasSubstr(part)));
    }

    // The level generator says the same of a level it keeps and cannot prove.
    char folder[] = "/tmp/dovrix-levelgen-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::ofstream levels(std::string(folder) + "/levels.txt");
    levels << "5,150,0,0,0,0,1,10,5,1,1,12,5,1,\n";
    for (int level = 2; level <= 100; ++level) {
        levels << "1,0,0,0,0,0,0,0,\n";
    }
    levels.close();
    const ToolRun generator =
        run(std::string("--levels 1 --data ") + folder, "2>&1", DOVRIX_LEVELGEN_PATH);
    std::filesystem::remove_all(folder);
    EXPECT_EQ(generator.status, 1);
    EXPECT_THAT(generator.out, HasSubstr("level 1: NO SHORTEST SOLUTION FOUND: the regions need "
                                         "board offsets that are multiples of 300 twips"));

    const ToolRun catalogue = run("catalogue");
    ASSERT_EQ(catalogue.status, 0);
    EXPECT_EQ(std::count(catalogue.out.begin(), catalogue.out.end(), '\n'), 100);
    EXPECT_EQ(catalogue.out.rfind("5,0,300,7,", 0), 0u);
}

TEST(DovrixSolve, VerifyReplaysStoredSolutionsAndProvesPars) {
    const ToolRun replayed = run("verify");
    ASSERT_EQ(replayed.status, 0) << replayed.out;
    EXPECT_THAT(replayed.out, HasSubstr("\n    1     5       5  ok\n"));
    EXPECT_THAT(replayed.out, HasSubstr("100 of 100 levels pass"));

    // Level 87's stored solution beats its par of 19; the proof shows 16 is the fewest.
    // Level 1's blocks go up in any of 5! orders; two of its seven first moves lose the par.
    const ToolRun proved = run("verify --prove --levels 1,87");
    ASSERT_EQ(proved.status, 0) << proved.out;
    EXPECT_THAT(proved.out,
                HasSubstr("    1     5       5        5         1509    2 of 7        120 "));
    EXPECT_THAT(proved.out, HasSubstr("   87    19      16       16"));
    EXPECT_THAT(proved.out, HasSubstr("2 of 2 levels pass (every par proven)"));

    // A budget too small to finish leaves the par unproven, and the run fails.
    const ToolRun starved = run("verify --prove --levels 31 --max-states 100");
    EXPECT_EQ(starved.status, 1);
    EXPECT_THAT(starved.out, HasSubstr("not proven"));
}

TEST(DovrixSolve, BadArgumentsExitWithStatusTwo) {
    // One command line per entry, the first one empty.
    std::istringstream lines(
        "|frobnicate|replay|replay 0 Blue1U|replay 101|replay 1 Blue9U|replay 1 Red1U|"
        "replay 1 Bleu1U|replay 1,2 Blue1U|solve|solve 1 --max-states|solve 1 --max-states x|"
        "solve 1 --fast|catalogue extra|verify --levels 0|verify --levels 5-2|verify --levels x|"
        "verify --optima out.txt|verify --fast|verify --prove --max-states 0");
    for (std::string arguments; std::getline(lines, arguments, '|');) {
        EXPECT_EQ(run(arguments).status, 2) << arguments;
    }
}

} // namespace
