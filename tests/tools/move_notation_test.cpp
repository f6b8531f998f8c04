#include "move_notation.h"

#include <gtest/gtest.h>

namespace dovrix {
namespace {

TEST(MoveNotation, ReadsColourElementAndDirection) {
    EXPECT_EQ(parseMove("Blue1U"), (MoveNotation{Colour::Blue, 1, Direction::Up}));
    EXPECT_EQ(parseMove("LBlue12R"), (MoveNotation{Colour::LBlue, 12, Direction::Right}));
    EXPECT_EQ(parseMove("Orange3D"), (MoveNotation{Colour::Orange, 3, Direction::Down}));
    for (const char* bad : {"", "Blue", "Blue1", "Blue0U", "Blue01U", "blue1U", "Purple1U",
                            "Blue1X", "1U", "BlueU", "Blue12345U", "LBlu1L"}) {
        EXPECT_FALSE(parseMove(bad)) << bad;
    }
    EXPECT_EQ(formatMove(*parseMove("LBlue12R")), "LBlue12R");
    const auto list = parseMoveList("  Red1L\nGreen2U\tPink3D ");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->size(), 3u);
    EXPECT_FALSE(parseMoveList("Red1L Green"));
}

} // namespace
} // namespace dovrix
