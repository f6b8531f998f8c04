#include "difficulty.h"

#include "hole_search.h"
#include "regions.h"
#include "slide_model.h"
#include "state_packer.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace dovrix::solver {

namespace {

uint64_t cappedSum(uint64_t a, uint64_t b) {
    return std::min(kSolutionCap, a + b);
}

uint64_t cappedProduct(uint64_t a, uint64_t b) {
    return a == 0 || b == 0 ? 0
                            : (a > kSolutionCap / b ? kSolutionCap : std::min(kSolutionCap, a * b));
}

// The ways to interleave the moves of separate regions: (n1 + n2 + ...)! / (n1! n2! ...),
// capped. Built from binomials, each capped as it grows.
uint64_t interleavings(const std::vector<int>& lengths) {
    uint64_t ways = 1;
    int placed = 0;
    for (int n : lengths) {
        // Choose where this region's n moves go among placed + n.
        double binomial = 1;
        for (int k = 1; k <= n; ++k) {
            binomial = binomial * (placed + k) / k;
            if (binomial >= kSolutionCap) {
                break;
            }
        }
        ways = cappedProduct(
            ways, binomial >= kSolutionCap ? kSolutionCap : static_cast<uint64_t>(binomial + 0.5));
        placed += n;
    }
    return ways;
}

// A region's breadth-first layers, with each state's number of shortest paths from the
// start and an index from states to their place in the search.
template <int Words>
class Layers {
public:
    Layers(const SlideModel& model, uint64_t maxStates)
        : model_(model), packer_(model.blockCount(), model.bitsPerValue()), maxStates_(maxStates) {}

    enum class Outcome { Goal, NoGoal, OverBudget };

    // Searches from `start` until the first layer holding a goal is complete, or `maxDepth`
    // layers are, or the budget is spent.
    Outcome run(std::vector<BlockValue> start, int maxDepth) {
        keys_.clear();
        paths_.clear();
        slots_.assign(1 << 16, 0);
        layerStart_ = {0};
        sortGroups(model_, start.data());
        insert(packer_.pack(start.data()));
        paths_.push_back(1);
        layerStart_.push_back(1);
        if (model_.isGoal(start.data())) {
            return Outcome::Goal;
        }
        for (int depth = 0; depth < maxDepth; ++depth) {
            const uint32_t begin = layerStart_[depth];
            const uint32_t end = layerStart_[depth + 1];
            bool goal = false;
            for (uint32_t id = begin; id < end; ++id) {
                successors(id, [&](const StateKey<Words>& key, const BlockValue* values) {
                    const auto [index, fresh] = insert(key);
                    if (fresh) {
                        paths_.push_back(paths_[id]);
                        goal = goal || model_.isGoal(values);
                    } else if (index >= end) {
                        paths_[index] = cappedSum(paths_[index], paths_[id]);
                    }
                });
                if (keys_.size() > maxStates_) {
                    return Outcome::OverBudget;
                }
            }
            layerStart_.push_back(static_cast<uint32_t>(keys_.size()));
            if (goal) {
                return Outcome::Goal;
            }
            if (keys_.size() == end) {
                return Outcome::NoGoal; // nothing new: every reachable state is searched
            }
        }
        return Outcome::NoGoal;
    }

    int depth() const { return static_cast<int>(layerStart_.size()) - 2; }
    uint64_t states() const { return keys_.size(); }

    // After a search that met a goal: its shortest solutions, counted up to the cap.
    uint64_t solutions() {
        uint64_t count = 0;
        forLayer(depth(), [&](uint32_t id, const BlockValue* values) {
            if (model_.isGoal(values)) {
                count = cappedSum(count, paths_[id]);
            }
        });
        return count;
    }

    // After a search that met a goal: the block values after each first move that no
    // shortest solution begins with.
    std::vector<std::vector<BlockValue>> firstMovesOffTheShortest() {
        const int last = depth();
        std::vector<uint8_t> onShortest(keys_.size(), 0);
        forLayer(last, [&](uint32_t id, const BlockValue* values) {
            onShortest[id] = model_.isGoal(values) ? 1 : 0;
        });
        for (int d = last - 1; d >= 1; --d) {
            const uint32_t next = layerStart_[d + 1];
            const uint32_t after = layerStart_[d + 2];
            for (uint32_t id = layerStart_[d]; id < next; ++id) {
                successors(id, [&](const StateKey<Words>& key, const BlockValue*) {
                    const uint32_t index = find(key);
                    if (index >= next && index < after && onShortest[index] != 0) {
                        onShortest[id] = 1;
                    }
                });
            }
        }
        std::vector<std::vector<BlockValue>> off;
        forLayer(1, [&](uint32_t id, const BlockValue* values) {
            if (onShortest[id] == 0) {
                off.emplace_back(values, values + model_.blockCount());
            }
        });
        return off;
    }

    int firstMoves() const { return depth() >= 1 ? static_cast<int>(layerStart_[2] - 1) : 0; }

private:
    static constexpr uint32_t kAbsent = 0xFFFFFFFF;

    template <typename Visit>
    void forLayer(int d, Visit&& visit) {
        std::vector<BlockValue> values(model_.blockCount());
        for (uint32_t id = layerStart_[d]; id < layerStart_[d + 1]; ++id) {
            packer_.unpack(keys_[id], values.data());
            visit(id, values.data());
        }
    }

    // Calls visit(key, values) for every state one move from state `id`.
    template <typename Visit>
    void successors(uint32_t id, Visit&& visit) {
        const int count = model_.blockCount();
        std::array<BlockValue, 64> current{};
        std::array<BlockValue, 64> next{};
        packer_.unpack(keys_[id], current.data());
        Bitboard rows;
        Bitboard columns;
        fillBitboards(model_, current.data(), count, rows, columns);
        for (int slot = 0; slot < count; ++slot) {
            const BlockValue mover = current[slot];
            if (!model_.info(mover).visible) {
                continue;
            }
            for (Direction direction : kDirections) {
                const BlockValue moved = model_.slide(mover, direction, rows, columns);
                if (moved == mover) {
                    continue;
                }
                next = current;
                next[slot] = moved;
                resort(next.data(), slot, groupOfSlot(model_, slot));
                visit(packer_.pack(next.data()), next.data());
            }
        }
    }

    uint32_t find(const StateKey<Words>& key) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hashKey<Words>(key) & mask;; i = (i + 1) & mask) {
            if (slots_[i] == 0) {
                return kAbsent;
            }
            if (sameKey<Words>(keys_[slots_[i] - 1], key)) {
                return slots_[i] - 1;
            }
        }
    }

    // The state's place, and whether it is new.
    std::pair<uint32_t, bool> insert(const StateKey<Words>& key) {
        if ((keys_.size() + 1) * 10 > slots_.size() * 7) {
            std::vector<uint32_t> bigger(slots_.size() * 2, 0);
            const std::size_t mask = bigger.size() - 1;
            for (uint32_t n = 0; n < keys_.size(); ++n) {
                std::size_t i = hashKey<Words>(keys_[n]) & mask;
                while (bigger[i] != 0) {
                    i = (i + 1) & mask;
                }
                bigger[i] = n + 1;
            }
            slots_.swap(bigger);
        }
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hashKey<Words>(key) & mask;; i = (i + 1) & mask) {
            if (slots_[i] == 0) {
                keys_.push_back(key);
                slots_[i] = static_cast<uint32_t>(keys_.size());
                return {slots_[i] - 1, true};
            }
            if (sameKey<Words>(keys_[slots_[i] - 1], key)) {
                return {slots_[i] - 1, false};
            }
        }
    }

    const SlideModel& model_;
    Packer<Words> packer_;
    uint64_t maxStates_;
    std::vector<StateKey<Words>> keys_;
    std::vector<uint64_t> paths_;
    std::vector<uint32_t> slots_; // place + 1, 0 for an empty slot
    std::vector<uint32_t> layerStart_;
};

struct RegionDifficulty {
    int optimum = -1;
    int firstMoves = 0;
    uint64_t solutions = 0;
    uint64_t states = 0;
    // The block values after the first moves no shortest solution begins with.
    std::vector<std::vector<BlockValue>> offTheShortest;
};

template <int Words>
Expected<RegionDifficulty> measureRegion(const SlideModel& model, uint64_t maxStates) {
    Layers<Words> layers(model, maxStates);
    RegionDifficulty result;
    const auto outcome = layers.run(model.initialValues(), 1 << 20);
    result.states = layers.states();
    if (outcome == Layers<Words>::Outcome::OverBudget) {
        return Error{"more than " + std::to_string(maxStates) + " states"};
    }
    if (outcome == Layers<Words>::Outcome::NoGoal) {
        return Error{"the level cannot be beaten"};
    }
    result.optimum = layers.depth();
    result.firstMoves = layers.firstMoves();
    result.solutions = layers.solutions();
    if (result.optimum >= 1) {
        result.offTheShortest = layers.firstMovesOffTheShortest();
    }
    return result;
}

// Whether the region can be beaten from `start` within `moves` moves.
template <int Words>
Expected<bool> beatenWithin(const SlideModel& model, const std::vector<BlockValue>& start,
                            int moves, uint64_t maxStates, uint64_t& states) {
    Layers<Words> layers(model, maxStates);
    const auto outcome = layers.run(start, moves);
    states += layers.states();
    if (outcome == Layers<Words>::Outcome::OverBudget) {
        return Error{"more than " + std::to_string(maxStates) + " states"};
    }
    return outcome == Layers<Words>::Outcome::Goal;
}

// Runs `work` with the key width the model's states need.
template <typename Work>
auto withKeyWidth(const SlideModel& model, Work&& work) -> decltype(work.template operator()<1>()) {
    const int bits = model.blockCount() * model.bitsPerValue();
    switch ((bits + 64) / 64) { // the top bit of a key stays free, as in the solver
    case 1:
        return work.template operator()<1>();
    case 2:
        return work.template operator()<2>();
    case 3:
        return work.template operator()<3>();
    case 4:
        return work.template operator()<4>();
    case 5:
    case 6:
        return work.template operator()<6>();
    case 7:
    case 8:
        return work.template operator()<8>();
    default:
        break;
    }
    return Error{"too many blocks to measure"};
}

} // namespace

Expected<Difficulty> measureDifficulty(const LevelDescription& level, uint64_t maxStates) {
    if (auto box = measureOneHoleBox(level, maxStates)) {
        return *box;
    }
    const auto regions = independentRegions(level);
    if (!regions) {
        return Error{regions.error()};
    }
    std::vector<SlideModel> models;
    std::vector<RegionDifficulty> parts;
    Difficulty total;
    int fewest = 0;
    for (const Region& region : *regions) {
        auto model = SlideModel::build(regionLevel(level, region));
        if (!model) {
            return Error{model.error()};
        }
        const auto part = withKeyWidth(
            *model, [&]<int Words>() { return measureRegion<Words>(*model, maxStates); });
        if (!part) {
            return Error{part.error()};
        }
        fewest += part->optimum;
        total.states += part->states;
        models.push_back(std::move(*model));
        parts.push_back(std::move(*part));
    }
    const int spare = level.par - fewest; // moves a player may waste and still meet the par
    if (spare < 0) {
        return Error{"the par is below the fewest moves"};
    }
    std::vector<int> lengths;
    total.solutions = 1;
    for (std::size_t r = 0; r < parts.size(); ++r) {
        const RegionDifficulty& part = parts[r];
        lengths.push_back(part.optimum);
        total.solutions = cappedProduct(total.solutions, part.solutions);
        total.firstMoves += part.firstMoves;
        // A first move off every shortest solution still meets the par if the region can
        // then be beaten within its fewest moves and the spare ones, less the move made.
        for (const auto& after : part.offTheShortest) {
            bool meets = false;
            if (spare > 0) {
                const auto within = withKeyWidth(models[r], [&]<int Words>() {
                    return beatenWithin<Words>(models[r], after, part.optimum + spare - 1,
                                               maxStates, total.states);
                });
                if (!within) {
                    return Error{within.error()};
                }
                meets = *within;
            }
            total.traps += meets ? 0 : 1;
        }
    }
    total.solutions = cappedProduct(total.solutions, interleavings(lengths));
    return total;
}

} // namespace dovrix::solver
