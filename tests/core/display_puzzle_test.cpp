#include "play_fixture.h"

#include <gtest/gtest.h>

#include <tuple>

namespace dovrix {
namespace {

using testing::PlayFixture;

Rect rectOf(const Board& board, Family family, int index) {
    return board.element(family, static_cast<int16_t>(index)).rect;
}

TEST(DisplayPuzzle, PiecesGetTheirTwipRectanglesWhateverTheOffsetOrWallSidesAndTheirOrder) {
    PlayFixture f;
    f.build(1);
    const Board& board = f.state().board;
    EXPECT_EQ(rectOf(board, Family::Wall, 1), (Rect{1350, 1650, 495, 5295}));
    EXPECT_EQ(rectOf(board, Family::Wall, 2), (Rect{1350, 1650, 6495, 495}));
    EXPECT_EQ(rectOf(board, Family::BlueBlock, 1), (Rect{3150, 5850, 495, 495}));
    EXPECT_EQ(rectOf(board, Family::BlueDot, 1), (Rect{3270, 3570, 255, 255}));
    EXPECT_EQ(std::tuple(board.count(Family::BlueBlock), board.count(Family::BlueDot),
                         board.count(Family::Wall), board.count(Family::Pit),
                         board.count(Family::Patch), board.count(Family::RedBlock)),
              std::tuple(6, 6, 8, 1, 1, 1));
    EXPECT_TRUE(board.element(Family::BlueBlock, 5).visible);
    EXPECT_FALSE(board.element(Family::BlueBlock, 0).visible) << "templates stay hidden";

    f.build(100);
    EXPECT_EQ(rectOf(f.state().board, Family::Pit, 1), (Rect{1950, 1050, 510, 510}));

    // A wall six cells wide and one high, written with a zero height, in a level drawn half
    // a cell to the right.
    f.build("1,300,0,1,4,14,6,0,0,1,1,1,0,1,1,1,1,");
    EXPECT_EQ(rectOf(f.state().board, Family::Wall, 1), (Rect{2850, 8550, 3495, 495}));
    EXPECT_EQ(rectOf(f.state().board, Family::Patch, 1), (Rect{1050, 750, 480, 480}));

    // The drawing order: two patches, a wall, a block and two dots, one of them under the
    // block.
    f.build("1,0,0,1,0,0,1,1,0,2,3,3,5,5,1,4,4,1,2,4,4,1,8,8,1,");
    const auto& order = f.state().board.drawingOrder();
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(
        std::tuple(order[0].family, order[1], order[2], order[order.size() - 2], order.back()),
        std::tuple(Family::Frame, board.ref(Family::Patch, 2), board.ref(Family::Patch, 1),
                   board.ref(Family::BlueDot, 1), board.ref(Family::BlueDot, 2)));
}

TEST(DisplayPuzzle, RaisesALevelBelowOneAndSetsTheScrollBarWithoutASecondBuild) {
    PlayFixture f;
    int16_t level = 0;
    f.play.DisplayPuzzle(level);
    EXPECT_EQ(level, 1) << "a level below 1 is raised in the caller's own variable";
    int16_t negative = -7;
    f.play.DisplayPuzzle(negative);
    EXPECT_EQ(negative, 1);

    // The labels, caption and controls are checked in the window's tests.
    EXPECT_EQ(f.shared.currentLevel, 1);
    EXPECT_EQ(f.state().selectedBlock, f.state().board.blank());

    // The scroll bar follows the build without starting a second one: level 40 lies beyond
    // levelReached, and a change that reached the handler would be refused with a box.
    f.shared.levelReached = 3;
    int16_t forty = 40;
    f.play.DisplayPuzzle(forty);
    EXPECT_EQ(f.state().hsbLevelValue, 40);
    EXPECT_TRUE(f.messages.shown.empty());
    EXPECT_FALSE(f.state().suppressLevelChange);
}

TEST(DisplayPuzzle, RebuildingForgetsTheOldPiecesAndAnUnreadableLevelLeavesNone) {
    PlayFixture f;
    f.build(31);
    const PieceRef firstBlock = f.state().board.ref(Family::BlueBlock, 1);
    f.build(31);
    EXPECT_EQ(f.state().board.find(firstBlock), nullptr)
        << "a reference into the old board names no piece of the new one";
    EXPECT_NE(f.state().board.find(f.state().board.ref(Family::BlueBlock, 1)), nullptr);
    f.build(1);
    EXPECT_EQ(f.state().board.count(Family::Pit), 1) << "only the template is left";

    f.build("5,0,0,1,1,1,1,");
    EXPECT_EQ(std::tuple(f.state().tmrMoveEnabled, f.state().board.count(Family::Wall),
                         f.state().levelPar),
              std::tuple(false, 1, 0));
}

} // namespace
} // namespace dovrix
