#include "play_fixture.h"

#include <gtest/gtest.h>

#include <tuple>

namespace dovrix {
namespace {

using testing::PlayFixture;

struct SelectionFixture : PlayFixture {
    SelectionFixture() {
        // Levels 2 to 9: one blue block in the open and a red dot that no block can cover.
        for (int level = 2; level <= 9; ++level) {
            shared.levelStrings[level] = "1,0,0,0,0,0,1,7,7,1,1,0,0,2,";
        }
        shared.levelReached = 7;
        shared.playerName = "Mary";
        build(5);
        EXPECT_TRUE(flick(Colour::Blue, 1, Direction::Up).counted);
    }
};

TEST(LevelSelection, ALevelBeyondTheReachedOneIsRefusedAndAChangeStopsASlide) {
    SelectionFixture f;
    const int32_t moves = f.state().movesMade;
    ASSERT_EQ(moves, 1);
    f.play.setLevelScrollBarValue(9);
    EXPECT_EQ(std::tuple(f.state().hsbLevelValue, f.shared.currentLevel, f.state().movesMade),
              std::tuple(5, 5, moves));
    EXPECT_EQ(testing::boxDifferences(
                  f.messages.shown,
                  {{"Can't Exceed Unbeaten Levels", MessageIcon::Exclamation,
                    "Hello, Mary.\r\n\r\nDovrix remembers the game levels that you have "
                    "already \r\ncompleted, even from previous times that you have played.\r\n"
                    "\r\nBased on the levels that you have beaten so far, you\r\n"
                    "are now permitted to jump to any level up to level 7."}}),
              "");

    f.release(Colour::Blue, 1, Direction::Down);
    f.play.tickMoveTimer();
    f.play.setLevelScrollBarValue(1);
    EXPECT_EQ(std::tuple(f.shared.currentLevel, f.state().blockMoving, f.state().moveDirection,
                         f.state().board.element(Family::BlueBlock, 1).rect.top),
              std::tuple(1, false, Direction::None, 5850));
}

TEST(LevelSelection, EndWithTheReachedLevelInPlayRebuildsNothing) {
    // The window's tests press End with every shift state; here the level is already the
    // reached one, so the value does not change and the move stays.
    SelectionFixture f;
    f.play.setLevelScrollBarValue(7);
    ASSERT_TRUE(f.flick(Colour::Blue, 1, Direction::Up).counted);
    int16_t key = kKeyEnd;
    f.play.levelScrollBarKeyDown(key, 0);
    EXPECT_EQ(std::tuple(key, f.state().movesMade), std::tuple(int16_t{0}, 1));
}

TEST(LevelSelection, RestartRebuildsOnlyAfterMoves) {
    PlayFixture f;
    f.build("1,0,0,0,1,7,3,0,1,7,7,1,1,0,0,2,");
    const int focus = f.host.focusRequests;
    f.play.restartLevel();
    EXPECT_EQ(f.host.focusRequests, focus + 1);
    const uint32_t generation = f.state().board.generation();
    f.play.restartLevel();
    EXPECT_EQ(f.state().board.generation(), generation) << "nothing to restart at 0 moves";

    // Restart during a slide into a pit: the slide stops and the block is back.
    f.release(Colour::Blue, 1, Direction::Up);
    f.play.tickMoveTimer();
    ASSERT_TRUE(f.state().blockMoving);
    f.play.restartLevel();
    EXPECT_EQ(std::tuple(f.state().blockMoving, f.state().moveDirection, f.state().movesMade,
                         f.block(Colour::Blue, 1).rect.top, f.block(Colour::Blue, 1).visible,
                         f.state().tmrMoveEnabled),
              std::tuple(false, Direction::None, 0, 4350, true, true));
}

} // namespace
} // namespace dovrix
