#include "play_fixture.h"

#include <gtest/gtest.h>

namespace dovrix {
namespace {

using testing::PlayFixture;

TEST(Undo, TakesBackTheLastCountedMoveOnce) {
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
    EXPECT_EQ(f.block(Colour::Blue, 2).rect.left, 3750);
    EXPECT_EQ(f.block(Colour::Blue, 5).rect.top, 5850);
    EXPECT_EQ(f.block(Colour::Blue, 1).rect.top, 3450) << "only the last move is undone";
    EXPECT_EQ(f.state().movesMade, 1);
    EXPECT_EQ(f.state().lblMoves, "1");
    EXPECT_FALSE(f.state().undoEnabled);
    EXPECT_EQ(f.host.focusRequests, focusBefore + 1);
    // The controls stay off until another counted move has ended.
    f.play.tickMoveTimer();
    EXPECT_FALSE(f.state().undoEnabled);
}

TEST(Undo, BringsBackABlockThatFellIntoAPit) {
    PlayFixture f;
    f.build("1,0,0,0,1,7,3,0,1,7,7,1,1,0,0,2,");
    ASSERT_TRUE(f.flick(Colour::Blue, 1, Direction::Up).counted);
    ASSERT_FALSE(f.block(Colour::Blue, 1).visible);
    f.play.undoMove();
    EXPECT_TRUE(f.block(Colour::Blue, 1).visible);
    EXPECT_EQ(f.block(Colour::Blue, 1).rect.top, 4350);
    EXPECT_EQ(f.state().movesMade, 0);
}

TEST(Undo, IsUnavailableDuringASlideAndChangesNothingWithoutAMoveToTakeBack) {
    PlayFixture f;
    f.build(1);
    f.play.undoMove(); // nothing recorded yet
    EXPECT_EQ(f.state().movesMade, 0);
    EXPECT_FALSE(f.state().undoEnabled);
    EXPECT_EQ(f.host.focusRequests, 1);

    f.release(Colour::Blue, 3, Direction::Up);
    f.play.tickMoveTimer();
    EXPECT_TRUE(f.state().blockMoving);
    EXPECT_FALSE(f.state().undoEnabled);
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
    EXPECT_EQ(f.state().movesMade, 0);
    EXPECT_EQ(f.state().lblMoves, "0");
    EXPECT_EQ(f.block(Colour::Blue, 3).rect.top, 5850);
    EXPECT_EQ(f.host.focusRequests, focus + 1);
}

} // namespace
} // namespace dovrix
