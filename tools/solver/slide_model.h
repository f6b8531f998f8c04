#pragma once
// A fast, exact model of whole slides for the solver. Every position a block can take lies
// on a lattice of 300-twip steps (150 + 300k, k = 0..28, both ways), and every collision of a
// slide happens half-way between two lattice points, so a slide can be computed from lattice
// positions alone: the walls' part is precomputed per position and direction, the other
// blocks are looked up in bitboards. Tests check it against the tick engine move for move.

#include "colour.h"
#include "direction.h"
#include "expected.h"
#include "level_string.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace dovrix::solver {

inline constexpr int kLatticeSide = 29;
inline constexpr int kLatticePoints = kLatticeSide * kLatticeSide;

// A block's state as one small number: a lattice point where it is visible, a pit it has
// fallen into, or a lattice point next to a patch that it occupies (it landed on the patch
// and has moved less than a cell away, so that patch does not stop it).
using BlockValue = uint16_t;

struct ValueInfo {
    int16_t point = 0;     // lattice point index, y * 29 + x
    bool visible = true;   // false: fallen into a pit
    int16_t occupied = -1; // index of the patch it occupies off-centre, or -1
    int8_t x = 0;          // the point's column and row, kept to spare a division
    int8_t y = 0;
};

// Blocks are numbered in slots: colour by colour in code order, within a colour in the
// order of the level string.
struct ColourGroup {
    Colour colour;
    int firstSlot;
    int count;
};

class SlideModel {
public:
    // Fails for levels the lattice cannot describe: offsets that are not multiples of 300,
    // blocks that overlap walls or each other, or a block that starts on a pit.
    static Expected<SlideModel> build(const LevelDescription& level);

    int blockCount() const { return static_cast<int>(slotColour_.size()); }
    int valueCount() const { return static_cast<int>(values_.size()); }
    int bitsPerValue() const { return bitsPerValue_; }
    const std::vector<ColourGroup>& groups() const { return groups_; }
    Colour slotColour(int slot) const { return slotColour_[slot]; }
    const ValueInfo& info(BlockValue value) const { return values_[value]; }

    // The values of the level's blocks as it is built, slot by slot (not sorted).
    const std::vector<BlockValue>& initialValues() const { return initial_; }

    // Lattice point <-> twips.
    static int twipsOf(int latticeCoordinate) { return 150 + 300 * latticeCoordinate; }
    // The lattice point where a block on cell (x, y) of the level lies, or -1 off the lattice.
    static int pointOfCell(const LevelDescription& level, int x, int y);
    BlockValue visibleValue(int point) const { return visibleValue_[point]; }

    // Where the block in `slot` ends up when flicked in `direction`, with the other blocks
    // as given: its new value, or the same value when it cannot move. `occupied` holds one
    // bit per lattice point with a visible block, rows of 29 bits, and `columns` the same by
    // column; both must include the mover.
    BlockValue slide(BlockValue mover, Direction direction, const std::array<uint32_t, 32>& rows,
                     const std::array<uint32_t, 32>& columns) const;

    // Every dot covered by a block of its colour: one mask per colour group, dots numbered
    // within their colour.
    uint64_t coverMask(int group, BlockValue value) const { return cover_[group][value]; }
    uint64_t dotsOf(int group) const { return dotsOfGroup_[group]; }
    bool isGoal(const BlockValue* slotValues) const;

private:
    struct Line {         // a precomputed slide from one lattice point, ignoring other blocks
        int16_t stop = 0; // coordinate along the moving axis where the walls stop it
        uint16_t specialCount = 0; // pits and patches passed on the way, in order
        uint32_t firstSpecial = 0; // index into specials_
    };
    struct Special {
        int16_t coordinate; // along the moving axis
        int16_t pit;        // pit index or -1
        int16_t patch;      // patch index or -1
    };

    std::vector<ValueInfo> values_;
    std::vector<BlockValue> visibleValue_;                 // by lattice point; 0xFFFF: none
    std::vector<BlockValue> hiddenValue_;                  // by pit
    std::vector<std::array<BlockValue, 9>> occupiedValue_; // by patch, by neighbour
    std::vector<int16_t> pitPoint_;
    std::vector<int16_t> patchPoint_;
    std::vector<int16_t> patchAt_;           // by lattice point: patch index or -1
    std::array<std::vector<Line>, 4> lines_; // by direction, by lattice point
    std::vector<Special> specials_;
    std::vector<Colour> slotColour_;
    std::vector<ColourGroup> groups_;
    bool dotsWithoutBlocks_ = false;           // some colour has dots but no block: never solved
    std::vector<std::vector<uint64_t>> cover_; // by group, by value
    std::vector<uint64_t> dotsOfGroup_;
    std::vector<BlockValue> initial_;
    int bitsPerValue_ = 0;
};

// 0 for the centre, 1 to 8 for the neighbours of a lattice point, or -1 when farther away.
inline int neighbourCode(int point, int centre) {
    const int dx = point % kLatticeSide - centre % kLatticeSide;
    const int dy = point / kLatticeSide - centre / kLatticeSide;
    if (dx < -1 || dx > 1 || dy < -1 || dy > 1) {
        return -1;
    }
    const int code = (dy + 1) * 3 + (dx + 1); // 0..8 with the centre at 4
    return code == 4 ? 0 : (code < 4 ? code + 1 : code);
}

// Inline: the solver calls it for every block and direction of every state.
inline BlockValue SlideModel::slide(BlockValue mover, Direction direction,
                                    const std::array<uint32_t, 32>& rows,
                                    const std::array<uint32_t, 32>& columns) const {
    const ValueInfo& from = values_[mover];
    if (!from.visible) {
        return mover;
    }
    const int x = from.x;
    const int y = from.y;
    const Line& line = lines_[directionIndex(direction)][from.point];
    int stop = line.stop;
    // Rows and columns are stored shifted by one so that the band around the mover needs no
    // edge cases. A block within one lattice step across the moving axis overlaps the mover's
    // path; the first one ahead stops it two lattice steps short of itself.
    switch (direction) {
    case Direction::Right: {
        const uint32_t ahead = (rows[y] | rows[y + 1] | rows[y + 2]) & (~uint32_t{0} << (x + 1));
        if (ahead != 0) {
            stop = std::min(stop, std::countr_zero(ahead) - 2);
        }
        break;
    }
    case Direction::Left: {
        const uint32_t ahead = (rows[y] | rows[y + 1] | rows[y + 2]) & ((uint32_t{1} << x) - 1);
        if (ahead != 0) {
            stop = std::max(stop, 31 - std::countl_zero(ahead) + 2);
        }
        break;
    }
    case Direction::Down: {
        const uint32_t ahead =
            (columns[x] | columns[x + 1] | columns[x + 2]) & (~uint32_t{0} << (y + 1));
        if (ahead != 0) {
            stop = std::min(stop, std::countr_zero(ahead) - 2);
        }
        break;
    }
    case Direction::Up: {
        const uint32_t ahead =
            (columns[x] | columns[x + 1] | columns[x + 2]) & ((uint32_t{1} << y) - 1);
        if (ahead != 0) {
            stop = std::max(stop, 31 - std::countl_zero(ahead) + 2);
        }
        break;
    }
    case Direction::None:
        return mover;
    }
    const bool horizontal = direction == Direction::Left || direction == Direction::Right;
    const int start = horizontal ? x : y;
    if (stop == start) {
        return mover;
    }
    const bool forward = stop > start;
    for (uint32_t i = 0; i < line.specialCount; ++i) {
        const Special& special = specials_[line.firstSpecial + i];
        if (forward ? special.coordinate > stop : special.coordinate < stop) {
            break;
        }
        if (special.pit >= 0) {
            return hiddenValue_[special.pit];
        }
        if (special.patch != from.occupied) {
            return visibleValue_[patchPoint_[special.patch]];
        }
    }
    const int end = horizontal ? y * kLatticeSide + stop : stop * kLatticeSide + x;
    // The patch the mover occupies stays occupied while the mover still overlaps it: the
    // patch it started on, or one it occupies from beside it.
    const int occupiedPatch = from.occupied >= 0 ? from.occupied : patchAt_[from.point];
    if (occupiedPatch >= 0) {
        const int code = neighbourCode(end, patchPoint_[occupiedPatch]);
        if (code > 0) {
            return occupiedValue_[occupiedPatch][code];
        }
    }
    return visibleValue_[end];
}

} // namespace dovrix::solver
