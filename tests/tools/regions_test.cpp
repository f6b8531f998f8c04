// Splitting a level into regions that cannot touch each other, and solving it region by
// region.

#include "catalogue_check.h"
#include "regions.h"
#include "solver.h"

#include <gtest/gtest.h>

#include <tuple>

namespace dovrix::solver {
namespace {

// Two rooms of three by three cells side by side, x 2..4 and 8..10, rows 2..4, each walled
// in; `gap` opens both walls between them in row 3 into a corridor.
LevelDescription twoRooms(bool gap) {
    LevelDescription level;
    level.par = 1;
    level.walls = {{1, 1, 11, 1}, {1, 5, 11, 1}, {1, 2, 1, 3}, {11, 2, 1, 3}};
    if (gap) {
        level.walls.push_back(WallCells{5, 2, 3, 1}); // the corridor's walls
        level.walls.push_back(WallCells{5, 4, 3, 1});
    } else {
        level.walls.push_back(WallCells{5, 2, 3, 3}); // the wall between the rooms
    }
    // A red block in each room, a blue one on the right; the dots across their rooms.
    level.blocks = {{2, 2, Colour::Red}, {8, 4, Colour::Red}, {10, 4, Colour::Blue}};
    level.dots = {{4, 4, Colour::Red}, {10, 2, Colour::Red}, {8, 2, Colour::Blue}};
    return level;
}

TEST(Regions, WalledRoomsAreSolvedApartAndBlocksThatCanMeetShareARegion) {
    const LevelDescription level = twoRooms(false);
    const auto regions = independentRegions(level);
    ASSERT_TRUE(regions) << regions.error();
    ASSERT_EQ(regions->size(), 2u);
    const std::vector<int> left{0}, right{1, 2};
    EXPECT_EQ(std::tuple((*regions)[0].blocks, (*regions)[0].dots, (*regions)[1].blocks,
                         (*regions)[1].dots),
              std::tuple(left, left, right, right));

    const auto split = solveByRegions(level);
    const auto whole = solve(level);
    ASSERT_TRUE(split && whole);
    ASSERT_EQ(split->total.status, SolveResult::Status::Solved);
    EXPECT_EQ(split->total.optimum, whole->optimum);
    EXPECT_EQ(split->total.optimum, split->regions[0].optimum + split->regions[1].optimum);
    EXPECT_LT(split->total.statesStored, whole->statesStored);
    // The moves name the level's own elements: the right room's red block is Red2.
    const auto replay = replaySolution(formatLevelString(level), split->total.moves);
    EXPECT_TRUE(replay.beaten) << replay.problem;
    EXPECT_EQ(replay.counted, whole->optimum);

    const auto regionCount = [](const LevelDescription& level) {
        const auto regions = independentRegions(level);
        return regions ? static_cast<int>(regions->size()) : -1;
    };
    // A corridor joins the rooms.
    EXPECT_EQ(regionCount(twoRooms(true)), 1);

    // A line of pits parts an open floor: nothing crosses a pit, so two regions...
    LevelDescription parted;
    parted.par = 1;
    for (int16_t y = 0; y < 15; ++y) {
        parted.pits.push_back(Cell{7, y});
    }
    parted.blocks = {{2, 2, Colour::Green}, {12, 2, Colour::Green}};
    parted.dots = {{2, 12, Colour::Green}, {12, 12, Colour::Green}};
    EXPECT_EQ(regionCount(parted), 2);
    // A ring of pits parts the room inside it from the floor outside: a block that slides
    // into the ring falls, and never rests half over a pit to slip between two of them.
    LevelDescription ringed;
    ringed.par = 1;
    for (int16_t i = 2; i <= 6; ++i) {
        for (const Cell pit : {Cell{i, 2}, Cell{i, 6}, Cell{2, i}, Cell{6, i}}) {
            ringed.pits.push_back(pit);
        }
    }
    ringed.blocks = {{4, 4, Colour::Green}, {10, 10, Colour::Green}};
    ringed.dots = {{4, 4, Colour::Green}, {14, 10, Colour::Green}};
    EXPECT_EQ(regionCount(ringed), 2);
    // ... unless a dot lies on one of the pits: a block fallen into it from either side
    // covers it, and the goal joins the two sides.
    parted.dots.push_back(ColouredCell{7, 5, Colour::Green});
    parted.blocks.push_back(ColouredCell{3, 3, Colour::Green});
    EXPECT_EQ(regionCount(parted), 1);

    // A dot that no block can ever reach is a region of its own, and makes the level
    // unsolvable.
    LevelDescription walledOff = twoRooms(false);
    walledOff.dots.push_back(ColouredCell{13, 13, Colour::Red});
    const auto walled = independentRegions(walledOff);
    ASSERT_TRUE(walled);
    ASSERT_EQ(walled->size(), 3u);
    EXPECT_TRUE(walled->back().blocks.empty());
    const auto solved = solveByRegions(walledOff);
    ASSERT_TRUE(solved);
    EXPECT_EQ(solved->total.status, SolveResult::Status::Unsolvable);
}

} // namespace
} // namespace dovrix::solver
