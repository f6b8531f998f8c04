// The level generator: its moves and their reverse, the backward search against forward search
// and the solver (which holds the grid model's slides to the exact model), and designed levels
// against the solver and the tick engine.

#include "catalogue.h"
#include "catalogue_check.h"
#include "difficulty.h"
#include "grid_puzzle.h"
#include "level_design.h"
#include "level_plan.h"
#include "regions.h"
#include "retrograde.h"
#include "slide_model.h"
#include "solver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <sstream>

namespace dovrix::levelgen {
namespace {

// A random walled room at the middle of the board with inner walls, pits, patches, a few
// blocks and their dots, all on cells.
GridLayout randomRoom(Random& random, int blocks) {
    GridLayout layout;
    layout.ground.fill(Ground::Outside);
    const int width = random.between(3, 7);
    const int height = random.between(3, 7);
    const int x0 = 7 - width / 2;
    const int y0 = 7 - height / 2;
    std::vector<int> floor;
    for (int y = y0; y < y0 + height; ++y) {
        for (int x = x0; x < x0 + width; ++x) {
            const int roll = random.below(100);
            const int cell = cellIndex(x, y);
            layout.ground[cell] = roll < 12   ? Ground::Wall
                                  : roll < 18 ? Ground::Pit
                                  : roll < 24 ? Ground::Patch
                                              : Ground::Floor;
            if (layout.ground[cell] == Ground::Floor || layout.ground[cell] == Ground::Patch) {
                floor.push_back(cell);
            }
        }
    }
    for (int b = 0; b < blocks && b < static_cast<int>(floor.size()); ++b) {
        const Colour colour = kColoursInCodeOrder[random.below(3)];
        layout.blockColours.push_back(colour);
        const int cell = floor[random.below(static_cast<int>(floor.size()))];
        layout.dots.push_back(GridDot{static_cast<Position>(cell), colour});
    }
    // Dots on distinct cells.
    std::sort(layout.dots.begin(), layout.dots.end(),
              [](const GridDot& a, const GridDot& b) { return a.cell < b.cell; });
    const auto sameCell = [](const GridDot& a, const GridDot& b) { return a.cell == b.cell; };
    layout.dots.erase(std::unique(layout.dots.begin(), layout.dots.end(), sameCell),
                      layout.dots.end());
    return layout;
}

// The same board as a level string: walls around the room and in it, pits, patches, blocks
// at the given positions (slot order) and the dots.
LevelDescription asLevel(const GridPuzzle& puzzle, const std::vector<Position>& state) {
    LevelDescription level;
    level.par = 1;
    for (int cell = 0; cell < kGridCells; ++cell) {
        const int16_t x = static_cast<int16_t>(cell % kGridSide);
        const int16_t y = static_cast<int16_t>(cell / kGridSide);
        // Everything outside the room is wall.
        const Ground ground = puzzle.ground(cell);
        if (ground == Ground::Wall || ground == Ground::Outside) {
            level.walls.push_back(WallCells{x, y, 1, 1});
        } else if (ground == Ground::Pit || ground == Ground::Patch) {
            (ground == Ground::Pit ? level.pits : level.patches).push_back(Cell{x, y});
        }
    }
    const auto at = [](Position cell, Colour colour) {
        return ColouredCell{static_cast<int16_t>(cell % kGridSide),
                            static_cast<int16_t>(cell / kGridSide), colour};
    };
    for (std::size_t slot = 0; slot < state.size(); ++slot) {
        level.blocks.push_back(at(state[slot], puzzle.slotColour(static_cast<int>(slot))));
    }
    for (const GridDot& dot : puzzle.layout().dots) {
        level.dots.push_back(at(dot.cell, dot.colour));
    }
    return level;
}

// Distinct standable cells for the blocks, canonical.
std::vector<Position> randomState(const GridPuzzle& puzzle, Random& random) {
    std::vector<Position> cells;
    for (int cell = 0; cell < kGridCells; ++cell) {
        if (puzzle.standable(cell)) {
            cells.push_back(static_cast<Position>(cell));
        }
    }
    for (int i = static_cast<int>(cells.size()) - 1; i > 0; --i) {
        std::swap(cells[i], cells[random.below(i + 1)]);
    }
    std::vector<Position> state(cells.begin(), cells.begin() + puzzle.blockCount());
    puzzle.canonicalise(state.data());
    return state;
}

TEST(GridPuzzle, PredecessorsAreExactlyTheStatesThatMoveHere) {
    Random random(11);
    for (int trial = 0; trial < 200; ++trial) {
        const GridPuzzle puzzle(randomRoom(random, random.between(1, 3)));
        if (puzzle.blockCount() == 0) {
            continue;
        }
        // The state with one block moved, canonical.
        const auto with = [&puzzle](std::vector<Position> state, int slot, Position at) {
            state[slot] = at;
            puzzle.canonicalise(state.data());
            return state;
        };
        const std::vector<Position> state = randomState(puzzle, random);
        // Every successor lists this state among its predecessors ...
        puzzle.forEachMove(state.data(), [&](int slot, Direction, Position to) {
            const std::vector<Position> next = with(state, slot, to);
            bool found = false;
            puzzle.forEachPredecessor(next.data(), [&](int s, Position from) {
                found = found || with(next, s, from) == state;
            });
            EXPECT_TRUE(found);
        });
        // ... and every predecessor moves to this state.
        puzzle.forEachPredecessor(state.data(), [&](int slot, Position from) {
            const std::vector<Position> before = with(state, slot, from);
            bool reaches = false;
            puzzle.forEachMove(before.data(), [&](int s, Direction, Position to) {
                reaches = reaches || with(before, s, to) == state;
            });
            EXPECT_TRUE(reaches);
        });
    }
}

TEST(Retrograde, DistancesMatchForwardSearchAndTheSolver) {
    Random random(5);
    int checked = 0;
    int withSpareBlock = 0;
    for (int trial = 0; trial < 80 && checked < 20; ++trial) {
        GridLayout layout = randomRoom(random, 3);
        if (trial % 2 == 1) {
            // A block without a dot: the goal holds it anywhere, fallen into a pit included.
            layout.blockColours.push_back(Colour::Orange);
        }
        const GridPuzzle puzzle(layout);
        if (puzzle.blockCount() < 2 || !puzzle.isGoalPossible()) {
            continue;
        }
        const Retrograde backwards = searchBackwards(puzzle, SearchLimits{});
        ASSERT_FALSE(backwards.capped);
        if (backwards.depth() < 2) {
            continue;
        }
        // The deepest start, and one half-way, solved forwards by both searches.
        for (int depth : {backwards.depth(), backwards.depth() / 2}) {
            std::vector<Position> start(puzzle.blockCount());
            backwards.state(backwards.layerStart[depth], start.data());
            if (std::count(start.begin(), start.end(), kFallen) > 0) {
                continue;
            }
            EXPECT_EQ(searchForwards(puzzle, start, SearchLimits{}).optimum, depth);
            EXPECT_EQ(backwards.distance(start.data()), depth);
            const auto solved = solver::solve(asLevel(puzzle, start));
            ASSERT_TRUE(solved);
            EXPECT_EQ(solved->optimum, depth);
            ++checked;
            withSpareBlock += trial % 2;
        }
    }
    EXPECT_EQ(checked, 20);
    EXPECT_GT(withSpareBlock, 5);
}

TEST(RoomDesign, SampledBackwardSearchFindsStartsExactlyTheParAwayWithTheirTraps) {
    // A small arena ringed by pits with five blocks, one of them spare: the kind of room
    // whose positions within the par are too many for a full backward search.
    LevelPlan plan;
    plan.par = 6;
    plan.box = CellRect{5, 5, 4, 4};
    plan.outer = Outer::Pits;
    RoomBrief brief;
    brief.area = plan.box;
    brief.par = plan.par;
    brief.dotColours = {Colour::Blue, Colour::Red, Colour::Green, Colour::Pink};
    brief.extraBlocks = {Colour::Red};
    brief.sampledStarts = true;
    brief.minTraps = 2;
    brief.minProofStates = 1'000;
    ClimbLimits limits;
    limits.iterations = 300;
    plan.rooms = {brief};
    for (uint64_t seed : {3, 4, 5}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random random(seed);
        ClimbReport report;
        const auto room = designRoom(brief, planSurroundings(plan), random, limits, report);
        ASSERT_TRUE(room) << report.evaluations << " " << report.bestDepth << " " << report.bestProofStates;
        // As the game sees it: the solver's fewest moves are the par, and the traps and
        // first moves the generator counted are the ones dovrix-solve measures.
        const LevelDescription level = composeLevel(plan, {*room});
        const auto solved = solver::solve(level);
        ASSERT_TRUE(solved);
        const auto difficulty = solver::measureDifficulty(level, 10'000'000);
        ASSERT_TRUE(difficulty) << difficulty.error();
        EXPECT_EQ(std::tuple(solved->optimum, difficulty->traps, difficulty->firstMoves),
                  std::tuple(plan.par, room->traps, room->firstMoves));
        EXPECT_GE(room->traps, brief.minTraps);
        EXPECT_GE(room->proofStates, brief.minProofStates);
    }
}

TEST(LevelDesign, DesignsLevelsThatTheSolverProvesAndTheTickEngineReplays) {
    // Level 7 is a small room; level 15 two rooms side by side.
    for (int number : {7, 15}) {
        const auto plan = planFor(number);
        ASSERT_TRUE(plan);
        std::ostringstream log;
        const auto first = designLevel(*plan, 99, log);
        ASSERT_TRUE(first) << log.str();
        // The catalogue's par, one region a room, a proof as hard as the level's place in the
        // course asks, and a solution that beats it in exactly the par.
        EXPECT_EQ(plan->par, parseLevelString(builtInLevelStrings()[number - 1]).value().par);
        EXPECT_GE(first->statesSearched, plan->minProofStates);
        const auto regions = solver::independentRegions(first->level);
        ASSERT_TRUE(regions);
        const auto replay =
            solver::replaySolution(formatLevelString(first->level), first->solution);
        EXPECT_EQ(std::tuple(first->level.par, regions->size(), replay.beaten, replay.counted),
                  std::tuple(plan->par, plan->rooms.size(), true, plan->par))
            << replay.problem;
        // The same seed designs the same level.
        const auto again = designLevel(*plan, 99, log);
        ASSERT_TRUE(again);
        EXPECT_EQ(formatLevelString(again->level), formatLevelString(first->level));
    }
}

} // namespace
} // namespace dovrix::levelgen
