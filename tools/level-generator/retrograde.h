#pragma once
// Breadth-first searches over a grid puzzle's states. Searching backwards from every goal
// state at once gives the exact fewest moves from every state that can still be solved; the
// generator picks a start among the states at the distance it wants. The forward search
// measures what proving that start costs.

#include "grid_puzzle.h"
#include "state_set.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dovrix::levelgen {

struct SearchLimits {
    uint32_t maxStates = 2'000'000;
    int maxDepth = 1000; // stop once every state this far from the goal is known
    std::size_t maxGoals = 500'000;
};

// Numbers states densely where they are few: each block's place among the cells it can
// stand on (or fallen) is one digit. Most rooms fit, and a plain array then replaces hashing.
class DenseNumbering {
public:
    // nullopt when the numbers would exceed `limit`.
    static std::optional<DenseNumbering> make(const GridPuzzle& puzzle, uint64_t limit);
    uint64_t count() const { return count_; }
    uint32_t number(const Position* state) const {
        uint32_t n = 0;
        for (int i = width_ - 1; i >= 0; --i) {
            n = n * radix_ + digit_[state[i]];
        }
        return n;
    }
    void state(uint32_t n, Position* out) const {
        for (int i = 0; i < width_; ++i) {
            out[i] = cells_[n % radix_];
            n /= radix_;
        }
    }

private:
    int width_ = 0;
    uint32_t radix_ = 0;
    uint64_t count_ = 1;
    std::array<uint8_t, 256> digit_{};
    std::vector<Position> cells_;
};

class Retrograde {
public:
    Retrograde(const GridPuzzle& puzzle, uint64_t denseLimit);

    // Layer d, the states exactly d moves from a goal, holds entries layerStart[d] up to
    // layerStart[d + 1].
    std::vector<uint32_t> layerStart;
    bool capped = false; // stopped at the state limit: the last layer may be incomplete

    int depth() const { return static_cast<int>(layerStart.size()) - 2; } // deepest complete layer
    uint32_t layerSize(int d) const { return layerStart[d + 1] - layerStart[d]; }
    uint32_t stateCount() const { return static_cast<uint32_t>(order_.size()); }
    // The state at an entry of the search order.
    void state(uint32_t entry, Position* out) const;
    // The fewest moves from a canonical state to a goal, or -1 when the search did not meet
    // it (it needs more moves than the search went deep, or cannot be solved).
    int distance(const Position* state) const;

private:
    friend Retrograde searchBackwards(const GridPuzzle&, const SearchLimits&);
    bool insert(const Position* state); // true when new

    int width_;
    std::optional<DenseNumbering> dense_;
    std::vector<uint8_t> seen_;   // by dense number: 0 unseen, else the distance + 1 (at most 255)
    std::vector<uint32_t> order_; // dense numbers, or numbers in sparse_
    StateSet sparse_;
};

Retrograde searchBackwards(const GridPuzzle& puzzle, const SearchLimits& limits);

struct ForwardResult {
    int optimum = -1; // -1: no goal within the limits
    uint32_t states = 0;
    bool capped = false;
};

// Breadth-first from `start` (canonical) until a goal is found or the limits stop it.
ForwardResult searchForwards(const GridPuzzle& puzzle, const std::vector<Position>& start,
                             const SearchLimits& limits);

} // namespace dovrix::levelgen
