#pragma once
// The pieces of the play window's board: one array per kind of piece and per colour, element
// 0 of each a hidden template, the level's pieces elements 1 to n in level-string order; the
// window's design pieces (frame, boundary strips, Blank, arrows); and the drawing order.

#include "colour.h"
#include "direction.h"
#include "geometry.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace dovrix {

enum class Family : uint8_t {
    Wall,
    Pit,
    Patch,
    BlueBlock,
    RedBlock,
    GreenBlock,
    PinkBlock,
    OrangeBlock,
    LBlueBlock,
    BlueDot,
    RedDot,
    GreenDot,
    PinkDot,
    OrangeDot,
    LBlueDot,
    // Design pieces: not arrays of level pieces.
    Side,  // index 0 to 3
    Arrow, // index 0 to 3 for Left, Right, Up, Down
    Frame,
    Blank,
};

inline constexpr int kArrayFamilyCount = 15;

constexpr bool isArrayFamily(Family f) {
    return static_cast<int>(f) < kArrayFamilyCount;
}
constexpr Family blockFamily(Colour c) {
    return static_cast<Family>(static_cast<int>(Family::BlueBlock) + colourIndex(c));
}
constexpr Family dotFamily(Colour c) {
    return static_cast<Family>(static_cast<int>(Family::BlueDot) + colourIndex(c));
}
constexpr bool isBlockFamily(Family f) {
    return f >= Family::BlueBlock && f <= Family::LBlueBlock;
}
constexpr bool isDotFamily(Family f) {
    return f >= Family::BlueDot && f <= Family::LBlueDot;
}
// The colour of a block or dot family.
constexpr Colour familyColour(Family f) {
    const int base =
        isBlockFamily(f) ? static_cast<int>(Family::BlueBlock) : static_cast<int>(Family::BlueDot);
    return static_cast<Colour>(static_cast<int>(f) - base + 1);
}

struct Piece {
    Rect rect;
    bool visible = false;
};

// Names one piece. A reference to a level piece also carries the build it belongs to: once
// the board is cleared it names no piece any more, even when the next level has a piece
// with the same number.
struct PieceRef {
    Family family = Family::Blank;
    int16_t index = 0;
    uint32_t generation = 0;

    bool operator==(const PieceRef&) const = default;
};

class Board {
public:
    Board();

    // Number of elements of an array family, template included (so n + 1).
    int16_t count(Family family) const {
        return static_cast<int16_t>(arrays_[static_cast<int>(family)].size());
    }
    // Element `index` of an array family; index must be below count().
    Piece& element(Family family, int16_t index) {
        return arrays_[static_cast<int>(family)][index];
    }
    const Piece& element(Family family, int16_t index) const {
        return arrays_[static_cast<int>(family)][index];
    }

    // The piece a reference names, or nullptr when it names none (removed, out of range).
    Piece* find(const PieceRef& ref);
    const Piece* find(const PieceRef& ref) const;

    PieceRef ref(Family family, int16_t index) const { return {family, index, generation_}; }
    PieceRef blank() const { return {Family::Blank, 0, 0}; }
    PieceRef arrow(Direction direction) const {
        return {Family::Arrow, static_cast<int16_t>(directionIndex(direction)), 0};
    }
    const Piece& side(int index) const { return sides_[index]; }

    // A new element copied from the family's template (hidden), drawn in front of the rest.
    PieceRef create(Family family);
    // Removes elements 1 to n of every array, leaving the templates.
    void clear();

    void bringToFront(const PieceRef& ref);
    void sendToBack(const PieceRef& ref);
    // Pieces from the one drawn lowest to the one drawn on top.
    const std::vector<PieceRef>& drawingOrder() const { return drawingOrder_; }

    uint32_t generation() const { return generation_; }

private:
    std::array<std::vector<Piece>, kArrayFamilyCount> arrays_;
    std::array<Piece, 4> sides_;
    std::array<Piece, 4> arrows_;
    Piece frame_;
    Piece blank_;
    std::vector<PieceRef> drawingOrder_;
    uint32_t generation_ = 1;
};

} // namespace dovrix
