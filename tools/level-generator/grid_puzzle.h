#pragma once
// The level generator's model of a board whose blocks always rest on the cell grid: walls,
// pits and patches fill cells, blocks slide cell by cell. The generator only designs boards
// that keep every block on the grid (enclosed by walls or pits, or by the frame where it lies
// on the grid), and the solver checks every level it writes, so this model only has to be fast.

#include "colour.h"
#include "direction.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace dovrix::levelgen {

inline constexpr int kGridSide = 15;
inline constexpr int kGridCells = kGridSide * kGridSide;
inline constexpr int kMaxBlocks = 48; // more than any level holds

// A block's place: a cell index (y * 15 + x), or kFallen once a pit has swallowed it. Which
// pit does not matter: no dot lies on a pit, and a fallen block is no obstacle.
using Position = uint8_t;
inline constexpr Position kFallen = 255;

// What a cell holds. Outside cells lie beyond the board as designed and stop blocks like
// walls; they are not written to the level.
enum class Ground : uint8_t { Floor, Wall, Pit, Patch, Outside };

constexpr int cellIndex(int x, int y) {
    return y * kGridSide + x;
}

struct GridDot {
    Position cell;
    Colour colour;
    bool operator==(const GridDot&) const = default;
};

struct GridLayout {
    std::array<Ground, kGridCells> ground{}; // Floor everywhere to begin with
    std::vector<Colour> blockColours;        // how many blocks of each colour
    std::vector<GridDot> dots;
};

struct BlockGroup {
    Colour colour;
    int firstSlot;
    int count;
};

// The rules on a layout. A state holds one Position per block, colour by colour in code
// order; within a colour the positions are kept sorted (blocks of one colour are
// interchangeable for the goal).
class GridPuzzle {
public:
    explicit GridPuzzle(const GridLayout& layout);

    const GridLayout& layout() const { return layout_; }
    int blockCount() const { return static_cast<int>(slotColour_.size()); }
    const std::vector<BlockGroup>& groups() const { return groups_; }
    Colour slotColour(int slot) const { return slotColour_[slot]; }
    Ground ground(int cell) const { return layout_.ground[cell]; }
    // A cell where a block can rest: floor or patch.
    bool standable(int cell) const {
        return layout_.ground[cell] == Ground::Floor || layout_.ground[cell] == Ground::Patch;
    }

    // Sorts each colour's positions.
    void canonicalise(Position* state) const;
    // Restores the order of a colour after the position in `slot` changed.
    void resort(Position* state, int slot) const {
        const BlockGroup& g = groups_[slotGroup_[slot]];
        while (slot > g.firstSlot && state[slot - 1] > state[slot]) {
            std::swap(state[slot - 1], state[slot]);
            --slot;
        }
        while (slot + 1 < g.firstSlot + g.count && state[slot + 1] < state[slot]) {
            std::swap(state[slot + 1], state[slot]);
            ++slot;
        }
    }
    bool isGoal(const Position* state) const;

    // Where the block in `slot` ends when flicked: its new position, kFallen, or its old
    // position when it cannot move.
    Position slide(const Position* state, int slot, Direction direction) const;

    // Calls visit(slot, direction, newPosition) for every move that changes the state.
    template <typename Visit>
    void forEachMove(const Position* state, Visit&& visit) const;

    // Calls visit(slot, oldPosition) for every way the block in `slot` could have arrived
    // where it is in `state` by one move. Positions of equal blocks are visited once.
    template <typename Visit>
    void forEachPredecessor(const Position* state, Visit&& visit) const;

    // Every goal state: each dot under a block of its colour, the blocks a colour has beyond
    // its dots anywhere else (fallen included). Canonical. `limit` caps the count.
    std::vector<std::vector<Position>> goalStates(std::size_t limit) const;
    // Every colour has blocks enough for its dots, and every dot lies on a standable cell.
    bool isGoalPossible() const;

private:
    using Occupancy = std::array<uint8_t, kGridCells>;
    void fillOccupancy(const Position* state, Occupancy& occupied) const;
    // A wall, the outside, or a block.
    bool blocked(int cell, const Occupancy& occupied) const;

    GridLayout layout_;
    std::vector<Colour> slotColour_;
    std::vector<BlockGroup> groups_;
    std::vector<int> slotGroup_;
    // Neighbour of each cell per direction, -1 beyond the grid.
    std::array<std::array<int16_t, 4>, kGridCells> step_{};
    // Dots per colour group, as cells.
    std::vector<std::vector<Position>> groupDots_;
};

inline bool GridPuzzle::blocked(int cell, const Occupancy& occupied) const {
    if (cell < 0) {
        return true;
    }
    const Ground g = layout_.ground[cell];
    return g == Ground::Wall || g == Ground::Outside || occupied[cell] != 0;
}

template <typename Visit>
void GridPuzzle::forEachMove(const Position* state, Visit&& visit) const {
    Occupancy occupied;
    fillOccupancy(state, occupied);
    for (int slot = 0; slot < blockCount(); ++slot) {
        const Position from = state[slot];
        if (from == kFallen) {
            continue;
        }
        occupied[from] = 0;
        for (Direction direction : kDirections) {
            const int d = directionIndex(direction);
            int cell = from;
            Position end = from;
            for (;;) {
                const int next = step_[cell][d];
                if (blocked(next, occupied)) {
                    end = static_cast<Position>(cell);
                    break;
                }
                cell = next;
                const Ground g = layout_.ground[cell];
                if (g == Ground::Pit) {
                    end = kFallen;
                    break;
                }
                if (g == Ground::Patch) {
                    end = static_cast<Position>(cell);
                    break;
                }
            }
            if (end != from) {
                visit(slot, direction, end);
            }
        }
        occupied[from] = 1;
    }
}

template <typename Visit>
void GridPuzzle::forEachPredecessor(const Position* state, Visit&& visit) const {
    Occupancy occupied;
    fillOccupancy(state, occupied);
    for (int slot = 0; slot < blockCount(); ++slot) {
        const Position at = state[slot];
        const BlockGroup& group = groups_[slotGroup_[slot]];
        if (slot > group.firstSlot && state[slot - 1] == at) {
            continue; // the same position as the block before it: the same predecessors
        }
        // Walks back from `end` against `d`: every cell the block could have started from.
        auto walkBack = [&](int end, int d) {
            const int back = d ^ 1; // Left<->Right, Up<->Down
            int cell = end;
            for (;;) {
                cell = step_[cell][back];
                if (cell < 0 || !standable(cell) || occupied[cell] != 0) {
                    return;
                }
                visit(slot, static_cast<Position>(cell));
                if (layout_.ground[cell] == Ground::Patch) {
                    return; // from farther back the block would have stopped on this patch
                }
            }
        };
        if (at == kFallen) {
            for (int cell = 0; cell < kGridCells; ++cell) {
                if (layout_.ground[cell] == Ground::Pit) {
                    for (int d = 0; d < 4; ++d) {
                        walkBack(cell, d);
                    }
                }
            }
            continue;
        }
        occupied[at] = 0;
        for (int d = 0; d < 4; ++d) {
            if (layout_.ground[at] == Ground::Patch || blocked(step_[at][d], occupied)) {
                walkBack(at, d);
            }
        }
        occupied[at] = 1;
    }
}

} // namespace dovrix::levelgen
