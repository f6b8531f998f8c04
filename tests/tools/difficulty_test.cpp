// The signs of difficulty dovrix-solve reports beside a proof: traps, shortest solutions and
// how the catalogue's states searched rise with the level number.

#include "catalogue.h"
#include "difficulty.h"
#include "rank_correlation.h"

#include <gtest/gtest.h>

#include <tuple>

namespace dovrix::solver {
namespace {

std::tuple<int, int, uint64_t> measured(const std::string& text, int par) {
    LevelDescription level = parseLevelString(text).value();
    level.par = static_cast<int16_t>(par);
    const auto difficulty = measureDifficulty(level, 10'000'000);
    EXPECT_TRUE(difficulty) << difficulty.error();
    return difficulty ? std::tuple(difficulty->firstMoves, difficulty->traps, difficulty->solutions)
                      : std::tuple(-1, -1, uint64_t{0});
}

TEST(Difficulty, CountsTrapsAndShortestSolutionsAgainstThePar) {
    // Level 1: five blue blocks flicked up in any order, 5! ways. Seven first moves: the five
    // flicks up, and the outer blocks flicked out past the inner walls' ends, which cost two
    // moves to undo (Blue1L, then Blue1R back beside Blue2).
    const std::string level1(builtInLevelStrings()[0]);
    EXPECT_EQ(measured(level1, 5), std::tuple(7, 2, uint64_t{120}));
    // With one move to spare those flicks out still lose the par; with two they do not.
    EXPECT_EQ(measured(level1, 6), std::tuple(7, 2, uint64_t{120}));
    EXPECT_EQ(measured(level1, 7), std::tuple(7, 0, uint64_t{120}));

    // Two halves walled apart, a move each: the two moves in either order. Each block has
    // four first moves, and three of them lose the par.
    const std::string halves = "2,0,0,1,0,7,15,1,0,0,2,3,3,1,3,10,2,2,3,0,1,3,14,2,";
    EXPECT_EQ(measured(halves, 2), std::tuple(8, 6, uint64_t{2}));

    // A two-by-two box with one hole, each block one step round: Red down, Blue right, Green
    // up, the only way. Green flicked right first turns the other way round, and undoing it
    // leaves the three moves still to make.
    const std::string box =
        "3,0,0,4,4,4,4,1,4,7,4,1,4,5,1,2,7,5,1,2,0,0,3,5,5,1,6,5,2,5,6,3,3,6,5,1,6,6,2,5,5,3,";
    EXPECT_EQ(measured(box, 3), std::tuple(2, 1, uint64_t{1}));

    // Seven walled rows, a blue block to flick left in each: 7! orders, counted up to the cap.
    std::string rows = "7,0,0,8,";
    for (int y = 0; y <= 14; y += 2) {
        rows += "0," + std::to_string(y) + ",15,1,";
    }
    rows += "0,0,7,";
    for (int y = 1; y <= 13; y += 2) {
        rows += "3," + std::to_string(y) + ",1,";
    }
    rows += "7,";
    for (int y = 1; y <= 13; y += 2) {
        rows += "0," + std::to_string(y) + ",1,";
    }
    EXPECT_EQ(measured(rows, 7), std::tuple(14, 7, kSolutionCap));

    // A level beyond the budget, or whose par is below its fewest moves, is not measured.
    LevelDescription big = parseLevelString(builtInLevelStrings()[30]).value();
    EXPECT_FALSE(measureDifficulty(big, 1000));
    big.par = 10;
    EXPECT_FALSE(measureDifficulty(big, 10'000'000));
}

TEST(RankCorrelation, IsOneForSeriesThatRiseTogetherAndSharesRanksBetweenTies) {
    EXPECT_DOUBLE_EQ(rankCorrelation({1, 2, 3, 4}, {10, 200, 3000, 40000}), 1.0);
    EXPECT_DOUBLE_EQ(rankCorrelation({1, 2, 3, 4}, {4, 3, 2, 1}), -1.0);
    // Ranks 1.5, 1.5, 3 against 1, 2, 3.
    EXPECT_NEAR(rankCorrelation({1, 2, 3}, {5, 5, 6}), 0.8660, 1e-4);
    EXPECT_EQ(rankCorrelation({1, 2, 3}, {7, 7, 7}), 0.0);
}

} // namespace
} // namespace dovrix::solver
