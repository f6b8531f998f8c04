#include "catalogue.h"
#include "level_string.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

namespace dovrix {
namespace {

const std::string kLevel1(builtInLevelStrings()[0]); // as the catalogue holds it

TEST(LevelString, LevelOneReadsAsItsPieces) {
    const auto level = parseLevelString(kLevel1);
    ASSERT_TRUE(level) << level.error();
    EXPECT_EQ(std::tuple(level->par, level->offsetX, level->offsetY), std::tuple(5, 0, 300));
    const std::vector<WallCells> walls = {{2, 2, 1, 9},   {2, 2, 11, 1}, {12, 2, 1, 9},
                                          {2, 10, 11, 1}, {4, 4, 1, 5},  {4, 4, 7, 1},
                                          {10, 4, 1, 5}};
    EXPECT_EQ(level->walls, walls);
    EXPECT_TRUE(level->pits.empty() && level->patches.empty());
    ASSERT_TRUE(level->blocks.size() == 5 && level->dots.size() == 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(level->blocks[i], (ColouredCell{static_cast<int16_t>(5 + i), 9, Colour::Blue}));
        EXPECT_EQ(level->dots[i], (ColouredCell{static_cast<int16_t>(5 + i), 5, Colour::Blue}));
    }
    EXPECT_EQ(formatLevelString(*level), kLevel1);
}

TEST(LevelString, MalformedStringsAreRefusedWithAReason) {
    // Each string and the words of its refusal.
    const std::pair<std::string, std::string> rows[] = {
        {"5,0,300,0,0,0,0,0", "does not end with a comma"},
        {"", "does not end with a comma"},
        {"5,0,", "needs a par and two offsets"},
        {"5,0,0,2,1,1,1,1,", "wall count 2 runs past"},
        {"5,0,0,0,0,0,1,1,1,", "block count 1 runs past"},
        {"5,0,0,0,0,0,", "block count is missing"},
        {"5,0,0,0,0,0,1,1,1,0,0,", "colour code 0"},
        {"5,0,0,0,0,0,1,1,1,7,0,", "colour code 7"},
        {"5,0,0,0,0,0,0,1,1,1,9,", "colour code 9"},
        {"5,0,0,0,0,0,1,60,1,1,0,", "overflows a 16-bit integer"},
        {"5,0,0,0,0,0,1,15,1,1,0,", "cannot be drawn inside the board frame"},
        {"5,0,600,0,1,1,14,0,0,0,", "cannot be drawn inside the board frame"},
        {"5,0,0,1,1,1,-1,1,0,0,0,0,", "negative size"},
        {"5,0,0,40000,", "field 4 does not fit"},
        {"5,0,0,1,2,2,3,1,0,0,1,3,2,1,0,", "block 1 starts inside wall 1"},
        {"5,0,0,0,0,0,2,1,1,1,1,1,2,0,", "block 2 starts on block 1"},
    };
    for (const auto& [text, reason] : rows) {
        const auto level = parseLevelString(text);
        ASSERT_FALSE(level) << text;
        EXPECT_NE(level.error().find(reason), std::string::npos) << text << ": " << level.error();
    }
}

TEST(LevelString, UnusualButDrawableLevelsAreRead) {
    // Empty fields and negative counts read as 0 and nothing; a pit in column 14 reaches 9060
    // and one in row 13 of a level drawn a whole cell lower too, inside the frame; values
    // after the dots are ignored.
    for (const char* text : {",0,0,0,-3,0,0,0,", "5,0,0,0,1,14,0,0,0,0,", "5,0,600,0,1,0,13,0,0,0,",
                             "5,0,0,0,0,0,0,0,3,"}) {
        const auto level = parseLevelString(text);
        EXPECT_TRUE(level) << text << ": " << level.error();
    }
    // Exactly 1001 values after the header is the most a string holds.
    std::string longest = "1,0,0,";
    for (int i = 0; i < 1001; ++i) {
        longest += "0,";
    }
    ASSERT_TRUE(tokeniseLevelString(longest));
    EXPECT_EQ(tokeniseLevelString(longest)->values.size(), 1001u);
    EXPECT_FALSE(tokeniseLevelString(longest + "0,"));
}

TEST(LevelString, ParRewriteKeepsEverythingAfterTheFirstComma) {
    const std::string rewritten = rewritePar(kLevel1, "4");
    EXPECT_EQ(rewritten, "4" + kLevel1.substr(1));
    const std::string eightyOne = "81" + kLevel1.substr(1);
    EXPECT_EQ(rewritePar(eightyOne, "9").size(), eightyOne.size() - 1);
    EXPECT_EQ(rewritePar(kLevel1, "  12 "), "12" + kLevel1.substr(1));

    SharedState shared;
    LoadLevelTable(shared);
    rewriteCataloguePar(shared, 1, "3");
    EXPECT_EQ(shared.levelStrings[1], "3" + kLevel1.substr(1));
    const SharedState before = shared;
    rewriteCataloguePar(shared, 101, "3"); // outside the catalogue: nothing changes
    EXPECT_EQ(shared.levelStrings, before.levelStrings);
}

TEST(Catalogue, LevelLinesSkipCommentsAndBlankLines) {
    const auto lines = levelLines("# a comment\n1,0,0,0,0,0,0,0,\r\n\n  2,0,0,0,0,0,0,0,  \n");
    EXPECT_EQ(lines, (std::vector<std::string_view>{"1,0,0,0,0,0,0,0,", "2,0,0,0,0,0,0,0,"}));
}

} // namespace
} // namespace dovrix
