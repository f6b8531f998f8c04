#include "catalogue.h"
#include "catalogue_check.h"
#include "solver.h"

#include <gtest/gtest.h>

namespace dovrix::solver {
namespace {

LevelDescription catalogueLevel(int number) {
    return parseLevelString(builtInLevelStrings()[number - 1]).value();
}

TEST(Solver, FindsShortestSolutionsNamingTheRealBlocks) {
    // Two red blocks and one red dot under a wall: only the second block, below the dot,
    // reaches it, although the search keeps the two blocks in another order.
    const std::string text = "1,0,0,1,5,0,1,1,0,0,2,9,12,2,5,9,2,1,5,1,2,";
    const auto result = solve(parseLevelString(text).value());
    ASSERT_TRUE(result);
    EXPECT_EQ(std::tuple(result->status, result->optimum, formatMove(result->moves.at(0))),
              std::tuple(SolveResult::Status::Solved, 1, "Red2U"));
    // Played through the tick engine, the move counts and beats the level.
    const ReplayCheck replay = replaySolution(text, result->moves);
    EXPECT_EQ(std::pair(replay.beaten, replay.counted), std::pair(true, 1)) << replay.problem;
}

TEST(Solver, ReportsUnsolvableBoardsSpentBudgetsAndBoardsOffItsLattice) {
    // A red dot and only a blue block.
    const auto impossible = solve(parseLevelString("1,0,0,0,0,0,1,5,5,1,1,7,7,2,").value());
    ASSERT_TRUE(impossible);
    EXPECT_EQ(impossible->status, SolveResult::Status::Unsolvable);
    EXPECT_GT(impossible->statesStored, 1u);

    SolveOptions tight;
    tight.maxStates = 1000;
    const auto spent = solve(catalogueLevel(31), tight);
    ASSERT_TRUE(spent);
    EXPECT_EQ(std::tuple(spent->status, spent->statesStored, spent->depthCompleted < 11),
              std::tuple(SolveResult::Status::BudgetExhausted, 1000u, true));

    // Already solved when built.
    const auto solved = solve(parseLevelString("1,0,0,0,0,0,1,5,5,1,1,5,5,1,").value());
    ASSERT_TRUE(solved);
    EXPECT_EQ(solved->optimum, 0);

    // Boards the level-string reader refuses (a block inside a wall or on another block) can
    // still be built in code, so their block is added after reading.
    // The level, a block added after reading, and the words of the refusal.
    const std::tuple<const char*, std::optional<ColouredCell>, const char*> rows[] = {
        {"1,100,0,0,0,0,1,5,5,1,0,", {}, "multiples of 300"},
        {"1,0,0,0,1,5,5,0,1,5,5,1,0,", {}, "starts on a pit"},
        {"1,0,0,0,0,0,1,5,5,1,0,", ColouredCell{5, 5, Colour::Red}, "two blocks overlap"},
        {"1,0,0,1,5,5,1,1,0,0,0,0,", ColouredCell{5, 5, Colour::Blue}, "overlaps a wall"},
        {"1,0,0,0,0,2,5,5,5,5,1,1,1,1,0,", {}, "share a cell"},
    };
    for (const auto& [text, addedBlock, reason] : rows) {
        LevelDescription level = parseLevelString(text).value();
        if (addedBlock) {
            level.blocks.push_back(*addedBlock);
        }
        const auto result = solve(level);
        ASSERT_FALSE(result) << text;
        EXPECT_NE(result.error().find(reason), std::string::npos) << result.error();
    }
}

} // namespace
} // namespace dovrix::solver
