// The solver's lattice model against the tick engine: random boards, random flicks, the
// same blocks in the same places after every move.

#include "headless_game.h"
#include "move_replay.h"
#include "slide_model.h"
#include "solver.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

namespace dovrix::solver {
namespace {

constexpr std::pair<int16_t, int16_t> kOffsets[] = {{0, 0},     {0, 300},   {300, 0},
                                                    {300, 300}, {600, 300}, {0, 600}};

// A random level inside the board that the model accepts: walls, pits, patches, blocks of up
// to three colours, and dots of those colours.
LevelDescription randomLevel(std::mt19937& random) {
    auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (;;) {
        LevelDescription level;
        level.par = 1;
        std::tie(level.offsetX, level.offsetY) = kOffsets[pick(0, 5)];
        // Cells 0..12 stay inside the frame with any offset.
        const auto at = [&pick](int low = 0, int high = 12) {
            return static_cast<int16_t>(pick(low, high));
        };
        for (int i = pick(0, 6); i > 0; --i) {
            const bool across = pick(0, 1) == 1;
            level.walls.push_back(
                WallCells{at(), at(), at(0, across ? 4 : 1), at(0, across ? 1 : 4)});
        }
        for (int i = pick(0, 3); i > 0; --i) {
            level.pits.push_back(Cell{at(), at()});
        }
        for (int i = pick(0, 3); i > 0; --i) {
            level.patches.push_back(Cell{at(), at()});
        }
        for (int i = pick(2, 8); i > 0; --i) {
            level.blocks.push_back(ColouredCell{at(), at(), static_cast<Colour>(pick(1, 3))});
        }
        for (int i = pick(1, 4); i > 0; --i) {
            const int block = pick(0, static_cast<int>(level.blocks.size()) - 1);
            level.dots.push_back(ColouredCell{at(), at(), level.blocks[block].colour});
        }
        if (parseLevelString(formatLevelString(level)) && SlideModel::build(level)) {
            return level;
        }
    }
}

TEST(SlideModel, AgreesWithTheTickEngineOnRandomBoardsAndFlicks) {
    std::mt19937 random(20261205);
    int movesCompared = 0;
    int offGridStops = 0;
    int falls = 0;
    int patchStops = 0;
    int besidePatch = 0; // moved less than a cell off the patch it landed on
    for (int trial = 0; trial < 1500; ++trial) {
        const LevelDescription level = randomLevel(random);
        const std::string text = formatLevelString(level);
        const SlideModel model = SlideModel::build(level).value();
        HeadlessGame game(text);
        ASSERT_TRUE(game.built()) << text;
        PlayScreen& play = game.play();
        if (model.isGoal(model.initialValues().data())) {
            play.tickMoveTimer(); // a board solved when built is beaten at once
            EXPECT_EQ(game.host().levelsBeaten, 1) << text;
            continue;
        }
        std::vector<MoveNotation> moves;
        std::string played; // the moves so far, for the failure message
        for (int m = 0; m < 25 && game.host().levelsBeaten == 0; ++m) {
            const ColourGroup& group = model.groups()[std::uniform_int_distribution<std::size_t>(
                0, model.groups().size() - 1)(random)];
            const MoveNotation move{
                group.colour,
                static_cast<int16_t>(std::uniform_int_distribution<int>(1, group.count)(random)),
                kDirections[std::uniform_int_distribution<int>(0, 3)(random)]};
            moves.push_back(move);
            played += formatMove(move) + " ";
            playMove(play, *findBlock(play.state().board, move), move.direction);
            const std::vector<BlockValue> values = applyMoves(model, moves).value();
            ++movesCompared;
            for (const ColourGroup& g : model.groups()) {
                for (int e = 1; e <= g.count; ++e) {
                    const Piece& piece =
                        play.state().board.element(blockFamily(g.colour), static_cast<int16_t>(e));
                    const ValueInfo& info = model.info(values[g.firstSlot + e - 1]);
                    ASSERT_EQ(std::tuple(int(piece.rect.left), int(piece.rect.top), piece.visible),
                              std::tuple(SlideModel::twipsOf(info.point % kLatticeSide),
                                         SlideModel::twipsOf(info.point / kLatticeSide),
                                         info.visible))
                        << text << " after " << played;
                }
            }
            ASSERT_EQ(game.host().levelsBeaten > 0, model.isGoal(values.data())) << text;
            const ValueInfo& moved = model.info(values[group.firstSlot + move.element - 1]);
            offGridStops += (moved.point % kLatticeSide + level.offsetX / 300) % 2 != 0;
            falls += !moved.visible;
            for (const Cell& patch : level.patches) {
                patchStops += moved.visible &&
                              moved.point == SlideModel::pointOfCell(level, patch.x, patch.y);
            }
            besidePatch += moved.occupied >= 0;
        }
    }
    // The random boards must exercise the cases that make the model subtle.
    EXPECT_GT(movesCompared, 20000);
    EXPECT_GT(offGridStops, 500);
    EXPECT_GT(falls, 300);
    EXPECT_GT(patchStops, 300);
    EXPECT_GT(besidePatch, 5);
}

} // namespace
} // namespace dovrix::solver
