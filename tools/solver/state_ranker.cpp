#include "state_ranker.h"

namespace dovrix::solver {

std::optional<StateRanker> StateRanker::make(const SlideModel& model, uint64_t limit) {
    StateRanker ranker;
    int widest = 0;
    for (const ColourGroup& g : model.groups()) {
        widest = std::max(widest, g.count);
    }
    ranker.width_ = widest + 1;
    const int rows = model.valueCount() + widest + 1;
    // Pascal's triangle, saturating so that sizes beyond the limit stay recognisable.
    const uint64_t saturated = uint64_t{1} << 62;
    ranker.binomial_.assign(static_cast<std::size_t>(rows) * ranker.width_, 0);
    for (int n = 0; n < rows; ++n) {
        for (int k = 0; k < ranker.width_; ++k) {
            uint64_t value = 0;
            if (k == 0) {
                value = 1;
            } else if (n > 0) {
                value = std::min(saturated, ranker.choose(n - 1, k - 1) + ranker.choose(n - 1, k));
            }
            ranker.binomial_[static_cast<std::size_t>(n) * ranker.width_ + k] = value;
        }
    }
    for (const ColourGroup& g : model.groups()) {
        // Multisets of `count` values out of valueCount(): C(values + count - 1, count).
        const uint64_t size = ranker.choose(model.valueCount() + g.count - 1, g.count);
        if (size > limit || ranker.stateCount_ > limit / size) {
            return std::nullopt;
        }
        ranker.groups_.push_back(Group{g.firstSlot, g.count, ranker.stateCount_});
        ranker.stateCount_ *= size;
    }
    return ranker;
}

} // namespace dovrix::solver
