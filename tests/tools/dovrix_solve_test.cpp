// dovrix-solve as level designers and scripts use it: its output and exit statuses.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

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
    EXPECT_NE(custom.out.find("\"level\":\"1,0,0,0,1,7,3,0,1,7,7,1,1,7,3,1,\""), std::string::npos);
    EXPECT_NE(custom.out.find("\"solved\":true"), std::string::npos);
    EXPECT_NE(custom.out.find("\"visible\":false"), std::string::npos);
}

TEST(DovrixSolve, SolvePrintsTheOptimumAndTheMoves) {
    const ToolRun solved = run("solve 1");
    ASSERT_EQ(solved.status, 0);
    EXPECT_EQ(solved.out.rfind("optimum: 5 moves", 0), 0u) << solved.out;
    EXPECT_NE(solved.out.find("moves: Blue"), std::string::npos);

    const ToolRun spent = run("solve 31 --max-states 100");
    EXPECT_EQ(spent.status, 1);
    EXPECT_NE(spent.out.find("state budget of 100 states ran out"), std::string::npos) << spent.out;
}

TEST(DovrixSolve, SolvesBoardsUpToTheFrameOrSaysWhyNot) {
    // A pit in column 14 reaches 9060 twips: drawn inside the frame, and solved.
    const ToolRun edge = run("solve 5,0,0,0,1,14,0,0,1,10,5,1,1,14,5,1,");
    EXPECT_EQ(edge.status, 0);
    EXPECT_EQ(edge.out.rfind("optimum: 1 moves", 0), 0u) << edge.out;
    const ToolRun lower = run("solve 5,0,600,0,1,5,13,0,1,4,9,1,1,4,13,1,");
    EXPECT_EQ(lower.out.rfind("optimum: 1 moves", 0), 0u) << lower.out;

    // Half a cell off the solver's lattice: the game plays it, the solver says why it cannot.
    const ToolRun off = run("solve 5,150,0,0,0,0,1,10,5,1,1,12,5,1,", "2>&1");
    EXPECT_EQ(off.status, 2);
    EXPECT_NE(off.out.find("cannot search this level: the regions need board offsets that are "
                           "multiples of 300 twips"),
              std::string::npos)
        << off.out;
    const ToolRun outside = run("solve 5,300,0,0,1,14,0,0,0,0,", "2>&1");
    EXPECT_NE(outside.out.find("pit 1: it cannot be drawn inside the board frame"),
              std::string::npos)
        << outside.out;

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
    EXPECT_NE(generator.out.find("level 1: NO SHORTEST SOLUTION FOUND: the regions need board "
                                 "offsets that are multiples of 300 twips"),
              std::string::npos)
        << generator.out;
}

TEST(DovrixSolve, CatalogueListsEveryLevel) {
    const ToolRun catalogue = run("catalogue");
    ASSERT_EQ(catalogue.status, 0);
    EXPECT_EQ(std::count(catalogue.out.begin(), catalogue.out.end(), '\n'), 100);
    EXPECT_EQ(catalogue.out.rfind("5,0,300,7,", 0), 0u);
}

TEST(DovrixSolve, VerifyReplaysStoredSolutionsAndProvesPars) {
    const ToolRun replayed = run("verify");
    ASSERT_EQ(replayed.status, 0) << replayed.out;
    EXPECT_NE(replayed.out.find("\n    1     5       5  ok\n"), std::string::npos) << replayed.out;
    EXPECT_NE(replayed.out.find("100 of 100 levels pass"), std::string::npos);

    // Level 87's stored solution beats its par of 19; the proof shows 16 is the fewest.
    const ToolRun proved = run("verify --prove --levels 1,87");
    ASSERT_EQ(proved.status, 0) << proved.out;
    EXPECT_NE(proved.out.find("   87    19      16       16"), std::string::npos) << proved.out;
    EXPECT_NE(proved.out.find("2 of 2 levels pass (every par proven)"), std::string::npos);

    // A budget too small to finish leaves the par unproven, and the run fails.
    const ToolRun starved = run("verify --prove --levels 31 --max-states 100");
    EXPECT_EQ(starved.status, 1);
    EXPECT_NE(starved.out.find("not proven"), std::string::npos) << starved.out;
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
