#pragma once
// Numbers every canonical state of a level densely: within a colour, the sorted values of
// its k blocks form a multiset, numbered by the combinatorial number system; the colours
// combine as digits of a mixed radix. When the numbers are few enough, the visited set is
// one bit per possible state: no keys, no probing, no collisions.

#include "huge_page_array.h"
#include "slide_model.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dovrix::solver {

class StateRanker {
public:
    // nullopt when the states number more than `limit`.
    static std::optional<StateRanker> make(const SlideModel& model, uint64_t limit);

    uint64_t stateCount() const { return stateCount_; }

    // The number of the state whose values (sorted within each colour) are given.
    uint64_t rank(const BlockValue* values) const {
        uint64_t total = 0;
        for (std::size_t g = 0; g < groups_.size(); ++g) {
            total += groupRank(g, values) * groups_[g].stride;
        }
        return total;
    }

    // The part of the number that one colour's values contribute.
    uint64_t groupPart(std::size_t g, const BlockValue* values) const {
        return groupRank(g, values) * groups_[g].stride;
    }

    // The same part for the values with the one at `slot` replaced by `moved`: the sorted
    // order is merged on the way, so nothing is copied or sorted.
    uint64_t groupPartReplacing(std::size_t g, const BlockValue* values, int slot,
                                BlockValue moved) const {
        const Group& group = groups_[g];
        uint64_t r = 0;
        int i = 0;
        bool placed = false;
        for (int j = group.firstSlot; j < group.firstSlot + group.count; ++j) {
            if (j == slot) {
                continue;
            }
            const BlockValue v = values[j];
            if (!placed && moved <= v) {
                r += choose(moved + i, i + 1);
                ++i;
                placed = true;
            }
            r += choose(v + i, i + 1);
            ++i;
        }
        if (!placed) {
            r += choose(moved + i, i + 1);
        }
        return r * group.stride;
    }

private:
    struct Group {
        int firstSlot;
        int count;
        uint64_t stride;
    };
    uint64_t groupRank(std::size_t g, const BlockValue* values) const {
        const Group& group = groups_[g];
        uint64_t r = 0;
        for (int i = 0; i < group.count; ++i) {
            r += choose(values[group.firstSlot + i] + i, i + 1);
        }
        return r;
    }
    uint64_t choose(int n, int k) const {
        return binomial_[static_cast<std::size_t>(n) * width_ + k];
    }

    std::vector<Group> groups_;
    std::vector<uint64_t> binomial_; // C(n, k) for n < rows, k < width_
    int width_ = 0;
    uint64_t stateCount_ = 1;
};

// One bit per numbered state.
class RankedVisitedSet {
public:
    explicit RankedVisitedSet(uint64_t states) : bits_((states + 63) / 64) {}
    void prefetch(uint64_t rank) const { __builtin_prefetch(&bits_[rank >> 6]); }
    bool insert(uint64_t rank) {
        uint64_t& word = bits_[rank >> 6];
        const uint64_t bit = uint64_t{1} << (rank & 63);
        const bool isNew = (word & bit) == 0;
        word |= bit;
        return isNew;
    }

private:
    HugePageArray<uint64_t> bits_;
};

} // namespace dovrix::solver
