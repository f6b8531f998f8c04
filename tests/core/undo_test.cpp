#include "play_fixture.h"

#include <gtest/gtest.h>

#include <tuple>

namespace dovrix {
namespace {

using testing::PlayFixture;

TEST(Undo, TakesBackTheLastCountedMoveOnceAndFallenBlocks) {
    PlayFixture f;
    f.build(1);
    ASSERT_TRUE(f.flick(Colour::Blue, 1, Direction::Up).counted);
    ASSERT_TRUE(f.flick(Colour::Blue, 5, Direction::Up).counted);
    ASSERT_TRUE(f.state().undoEnabled);
    const int focusBefore = f.host.focusRequests;
    // Undone while another block is held and dragged: its direction and arrow are dropped.
    f.play.pressBlock(f.blockRef(Colour::Blue, 2));
    f.play.moveOverBlock(f.blockRef(Colour::Blue, 2), -100, 247);
    f.play.undoMove();
    EXPECT_FALSE(f.state().board.find(f.state().board.arrow(Direction::Left))->visible);
    f.play.releaseBlock();
    f.play.tickMoveTimer();
    // Only the last move is undone.
    EXPECT_EQ(std::tuple(f.block(Colour::Blue, 2).rect.left, f.block(Colour::Blue, 5).rect.top,
                         f.block(Colour::Blue, 1).rect.top, f.state().movesMade,
                         f.state().undoEnabled, f.host.focusRequests),
              std::tuple(3750, 5850, 3450, 1, false, focusBefore + 1));
    // The controls stay off until another counted move has ended.
    f.play.tickMoveTimer();
    EXPECT_FALSE(f.state().undoEnabled);

    f.build("1,0,0,0,1,7,3,0,1,7,7,1,1,0,0,2,");
    ASSERT_TRUE(f.flick(Colour::Blue, 1, Direction::Up).counted);
    ASSERT_FALSE(f.block(Colour::Blue, 1).visible);
    f.play.undoMove();
    EXPECT_EQ(std::tuple(f.block(Colour::Blue, 1).visible, f.block(Colour::Blue, 1).rect.top,
                         f.state().movesMade),
              std::tuple(true, 4350, 0));
}

TEST(Undo, IsUnavailableDuringASlideAndChangesNothingWithoutAMoveToTakeBack) {
    PlayFixture f;
    f.build(1);
    f.play.undoMove(); // nothing recorded yet
    EXPECT_EQ(std::tuple(f.state().movesMade, f.state().undoEnabled, f.host.focusRequests),
              std::tuple(0, false, 1));

    f.release(Colour::Blue, 3, Direction::Up);
    f.play.tickMoveTimer();
    EXPECT_EQ(std::tuple(f.state().blockMoving, f.state().undoEnabled), std::tuple(true, false));
    while (f.state().blockMoving) {
        f.play.tickMoveTimer();
        EXPECT_FALSE(f.state().undoEnabled) << "the tick that stops the block keeps it off";
    }

    // Undone once, the block stands where the record says: a second undo changes only the
    // focus.
    f.play.tickMoveTimer();
    f.play.undoMove();
    ASSERT_EQ(f.state().movesMade, 0);
    const int focus = f.host.focusRequests;
    f.play.undoMove();
    EXPECT_EQ(
        std::tuple(f.state().movesMade, f.block(Colour::Blue, 3).rect.top, f.host.focusRequests),
        std::tuple(0, 5850, focus + 1));
}

} // namespace
} // namespace dovrix
