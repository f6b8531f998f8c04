#include "grid_puzzle.h"

#include <algorithm>

namespace dovrix::levelgen {

GridPuzzle::GridPuzzle(const GridLayout& layout) : layout_(layout) {
    for (Colour colour : kColoursInCodeOrder) {
        const int count = static_cast<int>(
            std::count(layout.blockColours.begin(), layout.blockColours.end(), colour));
        if (count == 0) {
            continue;
        }
        BlockGroup group{colour, blockCount(), count};
        std::vector<Position> dots;
        for (const GridDot& dot : layout.dots) {
            if (dot.colour == colour) {
                dots.push_back(dot.cell);
            }
        }
        for (int i = 0; i < count; ++i) {
            slotColour_.push_back(colour);
            slotGroup_.push_back(static_cast<int>(groups_.size()));
        }
        groups_.push_back(group);
        groupDots_.push_back(std::move(dots));
    }
    for (int y = 0; y < kGridSide; ++y) {
        for (int x = 0; x < kGridSide; ++x) {
            auto& step = step_[cellIndex(x, y)];
            step[directionIndex(Direction::Left)] = x > 0 ? cellIndex(x - 1, y) : -1;
            step[directionIndex(Direction::Right)] = x + 1 < kGridSide ? cellIndex(x + 1, y) : -1;
            step[directionIndex(Direction::Up)] = y > 0 ? cellIndex(x, y - 1) : -1;
            step[directionIndex(Direction::Down)] = y + 1 < kGridSide ? cellIndex(x, y + 1) : -1;
        }
    }
}

void GridPuzzle::canonicalise(Position* state) const {
    for (const BlockGroup& g : groups_) {
        std::sort(state + g.firstSlot, state + g.firstSlot + g.count);
    }
}

bool GridPuzzle::isGoal(const Position* state) const {
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        const BlockGroup& group = groups_[g];
        for (Position dot : groupDots_[g]) {
            if (!std::binary_search(state + group.firstSlot, state + group.firstSlot + group.count,
                                    dot)) {
                return false;
            }
        }
    }
    // A colour with dots but no blocks can never be satisfied.
    return std::all_of(layout_.dots.begin(), layout_.dots.end(), [this](const GridDot& dot) {
        return std::any_of(groups_.begin(), groups_.end(),
                           [&dot](const BlockGroup& g) { return g.colour == dot.colour; });
    });
}

void GridPuzzle::fillOccupancy(const Position* state, Occupancy& occupied) const {
    occupied.fill(0);
    for (int slot = 0; slot < blockCount(); ++slot) {
        if (state[slot] != kFallen) {
            occupied[state[slot]] = 1;
        }
    }
}

Position GridPuzzle::slide(const Position* state, int slot, Direction direction) const {
    Position result = state[slot];
    forEachMove(state, [&](int movedSlot, Direction d, Position end) {
        if (movedSlot == slot && d == direction) {
            result = end;
        }
    });
    return result;
}

std::vector<std::vector<Position>> GridPuzzle::goalStates(std::size_t limit) const {
    std::vector<std::vector<Position>> goals;
    if (!isGoalPossible()) {
        return goals;
    }
    // Cells the extra blocks may take: standable cells without a dot.
    std::vector<bool> dotCell(kGridCells, false);
    for (const GridDot& dot : layout_.dots) {
        dotCell[dot.cell] = true;
    }
    std::vector<Position> spare;
    for (int cell = 0; cell < kGridCells; ++cell) {
        if (standable(cell) && !dotCell[cell]) {
            spare.push_back(static_cast<Position>(cell));
        }
    }
    spare.push_back(kFallen);
    std::vector<int> extras;
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        extras.push_back(groups_[g].count - static_cast<int>(groupDots_[g].size()));
    }
    std::vector<Position> state(blockCount());
    std::vector<bool> used(kGridCells, false);
    // Places the extras of group g from spare index `from` on, extra number `e` of that group.
    auto place = [&](auto&& self, std::size_t g, int e, std::size_t from) -> void {
        if (goals.size() >= limit) {
            return;
        }
        if (g == groups_.size()) {
            std::vector<Position> goal = state;
            canonicalise(goal.data());
            goals.push_back(std::move(goal));
            return;
        }
        const BlockGroup& group = groups_[g];
        const int dots = static_cast<int>(groupDots_[g].size());
        if (e == 0) {
            for (int i = 0; i < dots; ++i) {
                state[group.firstSlot + i] = groupDots_[g][i];
            }
        }
        if (e == extras[g]) {
            self(self, g + 1, 0, 0);
            return;
        }
        for (std::size_t s = from; s < spare.size(); ++s) {
            const Position p = spare[s];
            if (p != kFallen && used[p]) {
                continue;
            }
            state[group.firstSlot + dots + e] = p;
            if (p != kFallen) {
                used[p] = true;
            }
            // Extras of one colour are interchangeable: keep them in spare order (several may
            // have fallen).
            self(self, g, e + 1, p == kFallen ? s : s + 1);
            if (p != kFallen) {
                used[p] = false;
            }
        }
    };
    place(place, 0, 0, 0);
    return goals;
}

bool GridPuzzle::isGoalPossible() const {
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        if (static_cast<int>(groupDots_[g].size()) > groups_[g].count) {
            return false;
        }
    }
    return std::all_of(layout_.dots.begin(), layout_.dots.end(), [this](const GridDot& dot) {
        return standable(dot.cell) &&
               std::any_of(groups_.begin(), groups_.end(),
                           [&dot](const BlockGroup& g) { return g.colour == dot.colour; });
    });
}

} // namespace dovrix::levelgen
