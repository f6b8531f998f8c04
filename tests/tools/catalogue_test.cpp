// The level catalogue as shipped: its pars and pieces, and the proven optima beside every par.
// Every string is read by the game's own reader, which refuses a piece outside the board frame.

#include "catalogue.h"
#include "level_string.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace dovrix {
namespace {

// Five levels whose strings are fixed, character for character; the other 95 are designed.
const std::map<int, std::string> kFixedLevels = {
    {1, "5,0,300,7,2,2,1,9,2,2,11,1,12,2,1,9,2,10,11,1,4,4,1,5,4,4,7,1,10,4,1,5,0,0,5,5,9,1,6,9,"
        "1,7,9,1,8,9,1,9,9,1,5,5,5,1,6,5,1,7,5,1,8,5,1,9,5,1,"},
    {31, "11,0,0,7,3,1,9,1,3,3,1,10,3,12,9,1,11,3,1,10,5,4,1,7,7,4,1,7,9,4,1,7,2,3,2,11,2,0,4,4,"
         "11,1,6,11,2,8,11,3,10,11,4,4,5,11,1,6,2,4,7,11,3,9,11,2,"},
    {56, "48,0,300,4,4,1,7,1,4,1,1,11,4,11,7,1,10,1,1,11,0,0,44,5,2,2,6,2,3,7,2,2,8,2,3,9,2,2,5,"
         "3,3,6,3,2,7,3,3,8,3,2,9,3,3,5,4,2,6,4,3,7,4,2,8,4,3,9,4,2,5,5,3,6,5,2,7,5,3,8,5,2,9,5,"
         "3,5,6,2,6,6,3,7,6,2,8,6,3,9,6,2,5,7,3,6,7,2,7,7,3,8,7,2,9,7,3,5,8,2,6,8,3,7,8,2,8,8,3,"
         "9,8,2,5,9,3,7,9,3,8,9,2,9,9,3,5,10,2,6,10,3,7,10,2,8,10,3,9,10,2,44,5,2,3,6,2,2,7,2,3,"
         "8,2,2,9,2,3,5,3,2,6,3,3,7,3,2,8,3,3,9,3,2,5,4,3,6,4,2,7,4,3,8,4,2,9,4,3,5,5,2,6,5,3,7,"
         "5,2,8,5,3,9,5,2,5,6,3,6,6,2,7,6,3,8,6,2,9,6,3,5,7,2,6,7,3,7,7,2,8,7,3,9,7,2,5,8,3,6,8,"
         "2,7,8,3,8,8,2,9,8,3,5,9,2,7,9,2,8,9,3,9,9,2,5,10,3,6,10,2,7,10,3,8,10,2,9,10,3,"},
    {87, "19,300,0,6,2,2,10,1,2,2,1,10,2,11,10,1,11,2,1,10,5,5,1,1,6,6,2,2,0,2,4,9,9,4,4,3,3,5,3,"
         "10,4,10,3,3,10,10,2,4,4,9,4,4,4,5,9,4,3,9,9,2,"},
    {100, "23,600,300,8,5,0,7,1,7,1,1,1,3,2,1,1,11,0,1,6,8,5,4,1,8,5,1,6,4,12,1,1,6,12,2,1,16,2,1,"
          "2,2,2,3,2,4,2,5,2,6,2,7,2,8,2,9,2,10,2,11,3,0,4,0,3,12,5,12,8,11,0,4,8,1,4,8,2,3,8,3,2,"
          "8,4,1,4,4,10,2,5,11,1,6,10,3,7,9,4,"},
};

template <typename Cells>
bool sameCell(int x, int y, const Cells& cells) {
    return std::any_of(cells.begin(), cells.end(),
                       [&](const auto& c) { return c.x == x && c.y == y; });
}

// The catalogue's levels as the game reads them.
std::vector<LevelDescription> catalogueLevels() {
    std::vector<LevelDescription> levels;
    for (std::string_view text : builtInLevelStrings()) {
        const auto level = parseLevelString(text);
        EXPECT_TRUE(level) << text << ": " << level.error();
        levels.push_back(level ? *level : LevelDescription{});
    }
    return levels;
}

TEST(Catalogue, HoldsOneHundredLevelsWithTheirParsStringsAndPieces) {
    const auto& strings = builtInLevelStrings();
    const auto levels = catalogueLevels();
    ASSERT_EQ(strings.size(), 100u);
    for (const auto& [level, text] : kFixedLevels) {
        EXPECT_EQ(strings[level - 1], text) << "level " << level;
    }
    std::set<std::string_view> boards;
    std::map<std::pair<int, int>, std::set<int>> offsets;
    for (std::size_t i = 0; i < 100; ++i) {
        const int number = static_cast<int>(i) + 1;
        // Every par is known (the stored solutions and proofs below hold each to its level);
        // every string holds only digits and commas and ends with a comma.
        EXPECT_GE(levels[i].par, 1) << "level " << number;
        EXPECT_THAT(strings[i], ::testing::MatchesRegex("[0-9,]*,"));
        // Level 56's string is the longest, of 595 characters.
        EXPECT_TRUE(number == 56 ? strings[i].size() == 595 : strings[i].size() < 595) << number;
        // No two levels are alike: the boards differ, not just the pars.
        EXPECT_TRUE(boards.insert(strings[i].substr(strings[i].find(','))).second) << strings[i];
        offsets[{levels[i].offsetX, levels[i].offsetY}].insert(number);
        // Each colour has at least as many blocks as dots.
        for (Colour colour : kColoursInCodeOrder) {
            const auto ofColour = [colour](const ColouredCell& c) { return c.colour == colour; };
            EXPECT_GE(std::count_if(levels[i].blocks.begin(), levels[i].blocks.end(), ofColour),
                      std::count_if(levels[i].dots.begin(), levels[i].dots.end(), ofColour))
                << "level " << number;
        }
    }
    const auto sizes = [&offsets] {
        std::map<std::pair<int, int>, std::size_t> counted;
        for (const auto& [pair, chosen] : offsets) {
            counted[pair] = chosen.size();
        }
        return counted;
    }();
    EXPECT_EQ(sizes, (std::map<std::pair<int, int>, std::size_t>{{{0, 300}, 41},
                                                                 {{0, 0}, 23},
                                                                 {{300, 300}, 19},
                                                                 {{300, 0}, 15},
                                                                 {{0, 600}, 1},
                                                                 {{600, 300}, 1}}));
    EXPECT_EQ(std::tuple(offsets[{0, 600}], offsets[{600, 300}]),
              std::tuple(std::set<int>{22}, std::set<int>{100}));
    // The largest piece counts, each in one level only: walls, pits, patches, blocks, dots.
    const auto largest = [&levels](auto count) {
        std::size_t most = 0;
        std::set<int> where;
        for (std::size_t i = 0; i < levels.size(); ++i) {
            const std::size_t n = count(levels[i]);
            if (n > most) {
                where.clear();
                most = n;
            }
            if (n == most) {
                where.insert(static_cast<int>(i) + 1);
            }
        }
        return std::pair(most, where);
    };
    using Pieces = std::pair<std::size_t, std::set<int>>;
    EXPECT_EQ(largest([](const LevelDescription& l) { return l.walls.size(); }), Pieces(24, {10}));
    EXPECT_EQ(largest([](const LevelDescription& l) { return l.pits.size(); }), Pieces(42, {79}));
    EXPECT_EQ(largest([](const LevelDescription& l) { return l.patches.size(); }),
              Pieces(35, {21}));
    EXPECT_EQ(largest([](const LevelDescription& l) { return l.blocks.size(); }), Pieces(44, {56}));
    EXPECT_EQ(largest([](const LevelDescription& l) { return l.dots.size(); }), Pieces(44, {56}));
    EXPECT_EQ(largest([](const LevelDescription& l) { return static_cast<std::size_t>(l.par); }),
              Pieces(244, {76}));

    using Level = const LevelDescription&;
    const auto where = [&levels](bool (*test)(Level)) {
        std::set<int> chosen;
        for (std::size_t i = 0; i < levels.size(); ++i) {
            if (test(levels[i])) {
                chosen.insert(static_cast<int>(i) + 1);
            }
        }
        return chosen;
    };
    EXPECT_EQ(where([](Level l) { return !l.pits.empty(); }),
              (std::set<int>{31, 40, 46, 54, 55, 60, 66, 71, 77, 78, 79,
                             81, 82, 83, 89, 91, 92, 93, 96, 97, 100}));
    EXPECT_EQ(where([](Level l) { return !l.patches.empty(); }),
              (std::set<int>{21, 30, 46, 54, 79, 87, 88, 89}));
    EXPECT_EQ(where([](Level l) { return l.walls.empty(); }), (std::set<int>{81, 89, 93}));
    EXPECT_EQ(where([](Level l) {
                  return std::any_of(l.walls.begin(), l.walls.end(), [](const WallCells& w) {
                      return w.width == 0 || w.height == 0;
                  });
              }),
              std::set<int>{90});
    EXPECT_EQ(where([](Level l) { return l.blocks.size() > l.dots.size(); }),
              (std::set<int>{11, 20, 45, 61, 66, 68, 72, 78, 82, 83, 85, 93, 97}));
    EXPECT_EQ(where([](Level l) {
                  return std::any_of(l.blocks.begin(), l.blocks.end(), [&l](const ColouredCell& b) {
                      return sameCell(b.x, b.y, l.patches);
                  });
              }),
              std::set<int>{89});
    const std::set<int> onDots = where([](Level l) {
        return std::any_of(l.blocks.begin(), l.blocks.end(),
                           [&l](const ColouredCell& b) { return sameCell(b.x, b.y, l.dots); });
    });
    EXPECT_EQ(std::tuple(onDots.size(), onDots.count(56)), std::tuple(28u, 1u));
}

// The stored solutions are replayed by dovrix-solve verify, which the tool's own test runs.
TEST(Catalogue, EveryParIsProvenAndADesignedLevelsParIsItsOptimum) {
    for (int number = 1; number <= 100; ++number) {
        SCOPED_TRACE("level " + std::to_string(number));
        const int par = parseLevelString(builtInLevelStrings()[number - 1]).value().par;
        const auto optimum = provenOptimum(number);
        ASSERT_TRUE(optimum);
        // A designed level's par is its optimum; a fixed one's is at least it.
        EXPECT_TRUE(kFixedLevels.count(number) ? *optimum <= par : *optimum == par) << *optimum;
    }
}

} // namespace
} // namespace dovrix
