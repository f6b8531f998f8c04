#include "move_notation.h"

#include <gtest/gtest.h>

namespace dovrix {
namespace {

TEST(MoveNotation, ReadsColourElementAndDirection) {
    // Blanks, tabs and newlines part the moves of a list.
    EXPECT_EQ(parseMoveList("  Blue1U\nLBlue12R\tOrange3D "),
              (std::vector<MoveNotation>{{Colour::Blue, 1, Direction::Up},
                                         {Colour::LBlue, 12, Direction::Right},
                                         {Colour::Orange, 3, Direction::Down}}));
    for (const char* bad : {"", "Blue", "Blue1", "Blue0U", "Blue01U", "blue1U", "Purple1U",
                            "Blue1X", "1U", "BlueU", "Blue12345U", "LBlu1L"}) {
        EXPECT_FALSE(parseMove(bad)) << bad;
    }
    EXPECT_EQ(formatMove(*parseMove("LBlue12R")), "LBlue12R");
    EXPECT_FALSE(parseMoveList("Red1L Green"));
}

} // namespace
} // namespace dovrix
