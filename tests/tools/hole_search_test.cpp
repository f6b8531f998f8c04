// The search over a box full of blocks but for one hole, against plain breadth-first search
// and the tick engine.

#include "catalogue_check.h"
#include "hole_search.h"
#include "solver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace dovrix::solver {
namespace {

using ::testing::HasSubstr;

// A walled box of `width` by `height` cells at (5, 5) holding blocks in every cell but
// `hole`, coloured by `blocks`, and dots in every cell but `goalHole`, coloured by `dots`
// (both row by row, skipping the empty cell).
LevelDescription box(int width, int height, int hole, const std::vector<Colour>& blocks,
                     int goalHole, const std::vector<Colour>& dots) {
    LevelDescription level;
    level.par = 1;
    const auto w = static_cast<int16_t>(width);
    const auto h = static_cast<int16_t>(height);
    level.walls = {{4, 4, static_cast<int16_t>(w + 2), 1},
                   {4, static_cast<int16_t>(5 + h), static_cast<int16_t>(w + 2), 1},
                   {4, 5, 1, h},
                   {static_cast<int16_t>(5 + w), 5, 1, h}};
    std::size_t b = 0;
    std::size_t d = 0;
    for (int i = 0; i < width * height; ++i) {
        const auto x = static_cast<int16_t>(5 + i % width);
        const auto y = static_cast<int16_t>(5 + i / width);
        if (i != hole) {
            level.blocks.push_back(ColouredCell{x, y, blocks[b++]});
        }
        if (i != goalHole) {
            level.dots.push_back(ColouredCell{x, y, dots[d++]});
        }
    }
    return level;
}

TEST(OneHoleBox, FindsTheSameOptimumAsBreadthFirstSearchAndRefusesOtherBoards) {
    std::mt19937 random(3);
    for (int trial = 0; trial < 12; ++trial) {
        // Boxes three cells high, three or four wide.
        const int width = trial % 2 == 0 ? 3 : 4;
        const int cells = width * 3;
        std::vector<Colour> colours;
        for (int i = 0; i < cells - 1; ++i) {
            colours.push_back(kColoursInCodeOrder[i % 3]);
        }
        std::vector<Colour> goal = colours;
        std::shuffle(goal.begin(), goal.end(), random);
        const int hole = std::uniform_int_distribution<int>(0, cells - 1)(random);
        const int goalHole = std::uniform_int_distribution<int>(0, cells - 1)(random);
        const LevelDescription level = box(width, 3, hole, colours, goalHole, goal);

        const auto fast = solveOneHoleBox(level, 50'000'000);
        const auto plain = solve(level);
        ASSERT_TRUE(fast) << fast.error();
        ASSERT_TRUE(plain);
        ASSERT_EQ(fast->status, plain->status) << formatLevelString(level);
        if (plain->status != SolveResult::Status::Solved) {
            continue;
        }
        EXPECT_EQ(fast->optimum, plain->optimum) << formatLevelString(level);
        const auto replay = replaySolution(formatLevelString(level), fast->moves);
        EXPECT_TRUE(replay.beaten || plain->optimum == 0) << replay.problem;
        EXPECT_EQ(replay.counted, plain->optimum);
    }

    const std::vector<Colour> eight(8, Colour::Red);
    LevelDescription withPit = box(3, 3, 4, eight, 4, eight);
    withPit.pits.push_back(Cell{6, 6}); // the hole's cell swallows the block pushed in
    LevelDescription twoHoles = box(3, 3, 4, eight, 4, eight);
    twoHoles.blocks.pop_back();
    twoHoles.dots.pop_back();
    LevelDescription open = box(3, 3, 4, eight, 4, eight);
    open.walls.pop_back(); // the right wall is gone: blocks slide out of the box
    const auto refusal = [](const LevelDescription& level) {
        const auto result = solveOneHoleBox(level, 1000);
        return result ? std::string("solved") : result.error();
    };
    EXPECT_THAT(refusal(withPit), HasSubstr("other than one cell"));
    EXPECT_THAT(refusal(twoHoles), HasSubstr("rectangle"));
    EXPECT_THAT(refusal(open), HasSubstr("other than one cell"));
}

} // namespace
} // namespace dovrix::solver
