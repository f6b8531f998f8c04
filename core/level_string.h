#pragma once
// Level strings: one comma-terminated list of integers per level. The par, the board offsets,
// then counted walls (x, y, width, height), pits (x, y), patches (x, y), blocks (x, y, colour)
// and dots (x, y, colour), in cells.

#include "colour.h"
#include "expected.h"
#include "geometry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dovrix {

// The most values a level string may hold after its par and offsets.
inline constexpr std::size_t kMaxLevelValues = 1001;

struct WallCells {
    int16_t x;
    int16_t y;
    int16_t width; // in cells; 0 stands for 1
    int16_t height;
    bool operator==(const WallCells&) const = default;
};

struct Cell {
    int16_t x;
    int16_t y;
    bool operator==(const Cell&) const = default;
};

struct ColouredCell {
    int16_t x;
    int16_t y;
    Colour colour;
    bool operator==(const ColouredCell&) const = default;
};

// The three header fields and the values after them, as the tokeniser reads them.
struct LevelFields {
    int16_t par;
    int16_t offsetX;
    int16_t offsetY;
    std::vector<int16_t> values;
};

// A level with its pieces in string order.
struct LevelDescription {
    int16_t par = 0; // below 1: unknown
    int16_t offsetX = 0;
    int16_t offsetY = 0;
    std::vector<WallCells> walls;
    std::vector<Cell> pits;
    std::vector<Cell> patches;
    std::vector<ColouredCell> blocks;
    std::vector<ColouredCell> dots;
};

// Where a piece of a level lies on the board, in twips. Wide integers: a malformed level's
// pieces may lie beyond 16 bits, which the reader checks before any becomes a Rect.
struct PieceArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    // Narrowed to 16 bits: only for the pieces of a level the reader has accepted.
    Rect rect() const {
        return {static_cast<int16_t>(left), static_cast<int16_t>(top), static_cast<int16_t>(width),
                static_cast<int16_t>(height)};
    }
};

PieceArea wallArea(const LevelDescription& level, const WallCells& wall);
// A square `size` twips wide, `inset` twips into the square of cell (x, y): a pit, patch or
// block fills it from its corner; a dot lies inset.
PieceArea cellArea(const LevelDescription& level, int x, int y, int size, int inset = 0);

// Splits a level string into its header and values. Fails on a missing final comma, fewer
// than three header fields, more than kMaxLevelValues values, or a value beyond 16 bits.
Expected<LevelFields> tokeniseLevelString(std::string_view levelString);

// Reads a whole level. Besides the tokeniser's checks it fails when a count runs past the
// values present, a colour code is outside 1 to 6, a wall has a negative size, a piece's
// rectangle overflows 16 bits or cannot be drawn inside the board frame, or a block starts
// overlapping a wall or another block (its first step would snap it past the frame's sides,
// where nothing stops it). Values after the dots are ignored, as the game has always ignored
// them.
Expected<LevelDescription> parseLevelString(std::string_view levelString);

// Writes a level back as a level string; parseLevelString reads it back unchanged.
std::string formatLevelString(const LevelDescription& level);

// The par rewrite: the new par's text with blanks at both ends removed, followed by the old
// string from its first comma on, character for character.
std::string rewritePar(std::string_view levelString, std::string_view newParText);

} // namespace dovrix
