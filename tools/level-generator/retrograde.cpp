#include "retrograde.h"

#include <algorithm>
#include <array>

namespace dovrix::levelgen {

std::optional<DenseNumbering> DenseNumbering::make(const GridPuzzle& puzzle, uint64_t limit) {
    DenseNumbering numbering;
    numbering.width_ = puzzle.blockCount();
    numbering.digit_.fill(0);
    for (int cell = 0; cell < kGridCells; ++cell) {
        if (puzzle.standable(cell)) {
            numbering.digit_[cell] = static_cast<uint8_t>(numbering.cells_.size());
            numbering.cells_.push_back(static_cast<Position>(cell));
        }
    }
    numbering.digit_[kFallen] = static_cast<uint8_t>(numbering.cells_.size());
    numbering.cells_.push_back(kFallen);
    numbering.radix_ = static_cast<uint32_t>(numbering.cells_.size());
    for (int i = 0; i < numbering.width_; ++i) {
        numbering.count_ *= numbering.radix_;
        if (numbering.count_ > limit) {
            return std::nullopt;
        }
    }
    return numbering;
}

Retrograde::Retrograde(const GridPuzzle& puzzle, uint64_t denseLimit)
    : width_(puzzle.blockCount()), dense_(DenseNumbering::make(puzzle, denseLimit)),
      sparse_(std::max(1, puzzle.blockCount())) {
    if (dense_) {
        seen_.assign(dense_->count(), 0);
    }
}

bool Retrograde::insert(const Position* state) {
    if (dense_) {
        const uint32_t n = dense_->number(state);
        if (seen_[n] != 0) {
            return false;
        }
        // The layer being filled is the last one begun.
        seen_[n] = static_cast<uint8_t>(std::min<std::size_t>(layerStart.size(), 255));
        order_.push_back(n);
        return true;
    }
    if (!sparse_.insert(state)) {
        return false;
    }
    order_.push_back(sparse_.size() - 1);
    return true;
}

int Retrograde::distance(const Position* state) const {
    if (dense_) {
        const uint8_t seen = seen_[dense_->number(state)];
        return seen == 0 || seen == 255 ? -1 : seen - 1;
    }
    // Sparse numbers are given in search order, so a number is its entry.
    const uint32_t entry = sparse_.find(state);
    if (entry == StateSet::kAbsent) {
        return -1;
    }
    return static_cast<int>(std::upper_bound(layerStart.begin(), layerStart.end(), entry) -
                            layerStart.begin()) -
           1;
}

void Retrograde::state(uint32_t entry, Position* out) const {
    if (dense_) {
        dense_->state(order_[entry], out);
    } else {
        std::copy_n(sparse_.state(order_[entry]), width_, out);
    }
}

Retrograde searchBackwards(const GridPuzzle& puzzle, const SearchLimits& limits) {
    const int width = puzzle.blockCount();
    Retrograde result(puzzle, uint64_t{1} << 26);
    result.layerStart.push_back(0);
    const auto goals = puzzle.goalStates(limits.maxGoals);
    if (goals.size() >= limits.maxGoals) {
        result.capped = true;
        return result;
    }
    for (const auto& goal : goals) {
        result.insert(goal.data());
    }
    result.layerStart.push_back(result.stateCount());
    if (goals.empty()) {
        return result;
    }
    std::array<Position, kMaxBlocks> after{};
    std::array<Position, kMaxBlocks> before{};
    for (int depth = 0; depth < limits.maxDepth; ++depth) {
        const uint32_t begin = result.layerStart[depth];
        const uint32_t end = result.layerStart[depth + 1];
        for (uint32_t entry = begin; entry < end; ++entry) {
            result.state(entry, after.data());
            puzzle.forEachPredecessor(after.data(), [&](int slot, Position old) {
                std::copy_n(after.begin(), width, before.begin());
                before[slot] = old;
                puzzle.resort(before.data(), slot);
                result.insert(before.data());
            });
            if (result.stateCount() > limits.maxStates) {
                result.capped = true;
                return result;
            }
        }
        if (result.stateCount() == end) {
            break; // nothing further can reach a goal
        }
        result.layerStart.push_back(result.stateCount());
    }
    return result;
}

ForwardResult searchForwards(const GridPuzzle& puzzle, const std::vector<Position>& start,
                             const SearchLimits& limits) {
    const int width = puzzle.blockCount();
    ForwardResult result;
    StateSet states(std::max(1, width));
    states.insert(start.data());
    if (puzzle.isGoal(start.data())) {
        result.optimum = 0;
        result.states = 1;
        return result;
    }
    std::array<Position, kMaxBlocks> current{};
    std::array<Position, kMaxBlocks> next{};
    uint32_t begin = 0;
    uint32_t end = 1;
    for (int depth = 0; depth < limits.maxDepth && begin < end; ++depth) {
        for (uint32_t index = begin; index < end; ++index) {
            std::copy_n(states.state(index), width, current.begin());
            bool found = false;
            puzzle.forEachMove(current.data(), [&](int slot, Direction, Position moved) {
                std::copy_n(current.begin(), width, next.begin());
                next[slot] = moved;
                puzzle.resort(next.data(), slot);
                if (states.insert(next.data()) && puzzle.isGoal(next.data())) {
                    found = true;
                }
            });
            if (found) {
                result.optimum = depth + 1;
                result.states = states.size();
                return result;
            }
            if (states.size() > limits.maxStates) {
                result.capped = true;
                result.states = states.size();
                return result;
            }
        }
        begin = end;
        end = states.size();
    }
    result.states = states.size();
    return result;
}

} // namespace dovrix::levelgen
