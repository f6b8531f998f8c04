#include "play_fixture.h"

#include <gtest/gtest.h>

namespace dovrix {
namespace {

using testing::PlayFixture;

bool arrowVisible(PlayFixture& f, Direction d) {
    return f.state().board.find(f.state().board.arrow(d))->visible;
}

TEST(DragGesture, TheFarthestCrossedEdgeChoosesAndPressesWaitForPlay) {
    // One drag, step by step: where the pointer is over the block and the direction chosen.
    // Each row continues from the previous one.
    const std::tuple<float, float, Direction> steps[] = {
        {-100, 200, Direction::Left}, // beside the left edge
        {-100, -150, Direction::Up},  // dy 150 beats dx 100
        {-150, -150, Direction::Up},  // a tie keeps the last choice
        {600, 700, Direction::Down},  // dx 105, dy 205
        {495, 0, Direction::None},    // the edges count as on the block
        {700, 300, Direction::Right}, {-0.5f, 495.5f, Direction::Right}, // tie again: unchanged
        {200, 496, Direction::Down},
    };
    PlayFixture f;
    f.build(1);
    const PieceRef block = f.blockRef(Colour::Blue, 3);
    f.play.pressBlock(block);
    for (const auto& [x, y, expected] : steps) {
        f.play.moveOverBlock(block, x, y);
        EXPECT_EQ(f.state().moveDirection, expected) << x << ", " << y;
        for (Direction d : kDirections) {
            EXPECT_EQ(arrowVisible(f, d), d == expected) << x << ", " << y;
        }
    }
    EXPECT_EQ(f.state().blockColor, Colour::Blue);

    f.build(1);
    f.release(Colour::Blue, 1, Direction::Up);
    f.play.tickMoveTimer();
    ASSERT_TRUE(f.state().blockMoving);
    f.play.pressBlock(f.blockRef(Colour::Blue, 2));
    EXPECT_EQ(f.state().selectedBlock, f.blockRef(Colour::Blue, 1));
    EXPECT_FALSE(f.state().mouseIsDown);
    // A pointer moving over a block with no accepted press changes nothing.
    f.play.moveOverBlock(f.blockRef(Colour::Blue, 2), -300, 0);
    EXPECT_EQ(f.state().moveDirection, Direction::Up);

    f.play.stopMoveTimer(); // as after a beaten level, before the next one is built
    f.state().blockMoving = false;
    f.play.pressBlock(f.blockRef(Colour::Blue, 2));
    EXPECT_FALSE(f.state().mouseIsDown);

    // A press on a block that fell into a pit, or on a block of an earlier build, is no press.
    f.build("1,0,0,0,1,7,3,0,2,7,7,1,0,0,1,1,1,1,2,");
    f.flick(Colour::Blue, 1, Direction::Up);
    ASSERT_FALSE(f.block(Colour::Blue, 1).visible);
    f.play.pressBlock(f.blockRef(Colour::Blue, 1));
    EXPECT_FALSE(f.state().mouseIsDown);
    const PieceRef old = f.blockRef(Colour::Blue, 2);
    f.build("1,0,0,0,1,7,3,0,2,7,7,1,0,0,1,1,1,1,2,");
    f.play.pressBlock(old);
    EXPECT_FALSE(f.state().mouseIsDown);
}

} // namespace
} // namespace dovrix
