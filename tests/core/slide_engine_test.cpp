#include "play_fixture.h"

#include <gtest/gtest.h>

#include <tuple>

namespace dovrix {
namespace {

using testing::PlayFixture;

TEST(SlideEngine, ABlockedFlickIsNoMoveAndABoardWithoutDotsIsBeatenAtOnce) {
    PlayFixture f;
    f.build(1);
    ASSERT_TRUE(f.flick(Colour::Blue, 5, Direction::Up).counted);
    ASSERT_TRUE(f.state().undoEnabled);
    const auto blocked = f.flick(Colour::Blue, 2, Direction::Left); // Blue 1 stands beside it
    EXPECT_EQ(std::tuple(blocked.counted, blocked.ticks, f.block(Colour::Blue, 2).rect.left,
                         f.state().movesMade, f.state().undoEnabled),
              std::tuple(false, 1, 3750, 1, true));
    EXPECT_EQ(*f.state().undoBlock, f.blockRef(Colour::Blue, 5));

    // Waiting for the blocks to stop, and pits and dots, are held to the solver's model.
    f.build("1,0,0,0,0,0,1,7,7,1,0,");
    f.play.tickMoveTimer();
    EXPECT_EQ(std::tuple(f.host.levelsBeaten, f.state().tmrMoveEnabled), std::tuple(1, false));
}

TEST(SlideEngine, OpenEdgesStopBlocksAtTheFrameAndOffGridBlocksCoverDots) {
    PlayFixture f;
    // No offset: a block in the open stops in column or row 0 and 14.
    f.build("1,0,0,0,0,0,1,7,7,1,1,3,3,2,");
    f.flick(Colour::Blue, 1, Direction::Left);
    EXPECT_EQ(f.block(Colour::Blue, 1).rect.left, 150);
    f.flick(Colour::Blue, 1, Direction::Down);
    EXPECT_EQ(f.block(Colour::Blue, 1).rect.top, 8550);
    f.flick(Colour::Blue, 1, Direction::Right);
    EXPECT_EQ(f.block(Colour::Blue, 1).rect.left, 8550);

    // Half a cell across: the edge stop lies off the level's grid (cells at 450 + 600x).
    f.build("1,300,0,0,0,0,3,0,5,1,0,0,2,7,5,2,1,3,3,3,");
    f.flick(Colour::Blue, 1, Direction::Left);
    EXPECT_EQ(f.block(Colour::Blue, 1).rect.left, 150);
    // A block coming down column 0 meets the off-grid block by overlap.
    f.flick(Colour::Red, 1, Direction::Down);
    EXPECT_EQ(f.block(Colour::Red, 1).rect.top, 3150 - 600);
    // A block sliding left along the row stops beside it, off the grid as well.
    f.flick(Colour::Red, 2, Direction::Left);
    EXPECT_EQ(f.block(Colour::Red, 2).rect.left, 750);

    // Half a cell down: a block flicked up stops at top 150 and overlaps the dot in row 0.
    f.build("1,0,300,0,0,0,1,5,1,1,1,5,0,1,");
    EXPECT_FALSE(f.play.allDotsCoveredNow());
    f.flick(Colour::Blue, 1, Direction::Up);
    EXPECT_EQ(f.block(Colour::Blue, 1).rect.top, 150);
    EXPECT_EQ(f.host.levelsBeaten, 1);
}

TEST(SlideEngine, PatchesStopArrivingBlocksAndReleaseLeavingOnes) {
    PlayFixture f;
    // Patch at (7,3); blue blocks at (7,7) and (7,9); a red dot out of reach keeps play going.
    f.build("1,0,0,0,0,1,7,3,2,7,7,1,7,9,1,1,0,0,2,");
    f.flick(Colour::Blue, 1, Direction::Up);
    EXPECT_EQ(f.block(Colour::Blue, 1).rect.top, 1950) << "stops on the patch";
    EXPECT_EQ(f.state().patchOccupant[1], f.blockRef(Colour::Blue, 1));
    f.flick(Colour::Blue, 2, Direction::Up);
    EXPECT_EQ(f.block(Colour::Blue, 2).rect.top, 2550) << "stops below the patch's occupant";
    // Dragged off with the button held over a tick, the block still leaves its own patch.
    f.play.pressBlock(f.blockRef(Colour::Blue, 1));
    f.play.moveOverBlock(f.blockRef(Colour::Blue, 1), 247, -100);
    f.play.tickMoveTimer();
    f.play.releaseBlock();
    do {
        f.play.tickMoveTimer();
    } while (f.state().blockMoving);
    EXPECT_EQ(f.state().movesMade, 3);
    EXPECT_EQ(f.block(Colour::Blue, 1).rect.top, 150) << "a block leaves its own patch";
    EXPECT_EQ(f.state().patchOccupant[1], f.state().board.blank());
    f.flick(Colour::Blue, 2, Direction::Up);
    EXPECT_EQ(f.block(Colour::Blue, 2).rect.top, 1950) << "the freed patch stops the next one";
}

TEST(SlideEngine, HeldButtonsPitsAndTheFirstObstacleInScanOrder) {
    PlayFixture f;
    // Dragged past its edge, a block waits for the release, its arrow shown.
    f.build(1);
    f.play.pressBlock(f.blockRef(Colour::Blue, 1));
    f.play.moveOverBlock(f.blockRef(Colour::Blue, 1), 247, -100);
    for (int tick = 0; tick < 3; ++tick) {
        f.play.tickMoveTimer();
    }
    EXPECT_EQ(std::tuple(f.block(Colour::Blue, 1).rect.top, f.state().movesMade,
                         f.state().board.find(f.state().board.arrow(Direction::Up))->visible),
              std::tuple(5850, 0, true));

    // A block standing on a pit falls as soon as it is pressed.
    f.build("1,0,0,0,1,7,7,0,1,7,7,1,1,0,0,1,");
    f.play.pressBlock(f.blockRef(Colour::Blue, 1));
    f.play.tickMoveTimer();
    EXPECT_EQ(std::tuple(f.block(Colour::Blue, 1).visible, f.state().movesMade),
              std::tuple(false, 0));

    // A wall at (9,5) and a pink block at (2,5); a red, a blue and an orange block in row 8.
    f.build("1,0,0,1,9,5,1,1,0,0,4,2,5,4,4,8,2,6,8,1,8,8,5,1,0,0,2,");
    Board& board = f.state().board;
    // Pieces moved off the grid by hand so that two obstacles are met in the same tick,
    // the nearer one later in scan order.
    f.block(Colour::Pink, 1).rect.left = 4010;
    Piece& red = f.block(Colour::Red, 1);
    red.rect = Rect{5520, 3150, 495, 495};
    f.flick(Colour::Pink, 1, Direction::Right);
    EXPECT_EQ(f.block(Colour::Pink, 1).rect.left, 5550 - 600) << "the wall comes before blocks";

    board.element(Family::Wall, 1).rect.top = 6000; // out of the way
    f.block(Colour::Pink, 1).rect.left = 4010;
    f.block(Colour::Blue, 1).rect = Rect{5550, 3150, 495, 495};
    f.flick(Colour::Pink, 1, Direction::Right);
    EXPECT_EQ(f.block(Colour::Pink, 1).rect.left, 5550 - 600) << "blue comes before red";

    red.rect.top = 7000;
    f.block(Colour::Blue, 1).rect = Rect{4010, 3150, 495, 495};
    f.block(Colour::Pink, 1).rect.left = 5520;
    f.block(Colour::Orange, 1).rect = Rect{5550, 3150, 495, 495};
    f.flick(Colour::Blue, 1, Direction::Right);
    EXPECT_EQ(f.block(Colour::Blue, 1).rect.left, 5520 - 600) << "pink comes before orange";
}

} // namespace
} // namespace dovrix
