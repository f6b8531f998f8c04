#include "solver.h"

#include "state_packer.h"
#include "state_ranker.h"
#include "state_table.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace dovrix::solver {

namespace {

// Copies the values in a fixed-size chunk the compiler keeps inline: most levels have at
// most eight blocks.
inline void copyValues(const std::array<BlockValue, 64>& from, std::array<BlockValue, 64>& to,
                       int count) {
    if (count <= 8) {
        std::memcpy(to.data(), from.data(), 8 * sizeof(BlockValue));
    } else {
        to = from;
    }
}

// The visited set: a bit per state where the states can be numbered densely, otherwise a
// hash table of packed keys.
template <int Words>
class Visited {
public:
    Visited(const SlideModel& model, uint64_t rankLimit)
        : ranker_(StateRanker::make(model, rankLimit)) {
        if (ranker_) {
            bits_.emplace(ranker_->stateCount());
        }
    }
    bool numbered() const { return ranker_.has_value(); }
    const StateRanker& ranker() const { return *ranker_; }
    // Where the state lives in the set: its number, or its key's hash.
    uint64_t locate(const StateKey<Words>& key, const BlockValue* values) const {
        return ranker_ ? ranker_->rank(values) : hashKey<Words>(key);
    }
    void prefetch(uint64_t place) const {
        if (bits_) {
            bits_->prefetch(place);
        } else {
            table_.prefetch(place);
        }
    }
    bool insert(const StateKey<Words>& key, uint64_t place) {
        return bits_ ? bits_->insert(place) : table_.insert(key, place);
    }

private:
    std::optional<StateRanker> ranker_;
    std::optional<RankedVisitedSet> bits_;
    StateTable<Words> table_;
};

// One bit per state is used up to 2^32 states (512 MiB).
constexpr uint64_t kRankLimit = uint64_t{1} << 32;

template <int Words>
SolveResult search(const SlideModel& model, const SolveOptions& options) {
    const int count = model.blockCount();
    const Packer<Words> packer(count, model.bitsPerValue());
    std::vector<const ColourGroup*> slotGroup;
    for (int slot = 0; slot < count; ++slot) {
        slotGroup.push_back(&groupOfSlot(model, slot));
    }

    Visited<Words> visited(model, kRankLimit);
    // The states in the order found, the state each was found from, and the move:
    // slot * 4 + direction index. Reserving only claims address space; pages are committed
    // as states arrive, and nothing is copied as the search grows.
    std::vector<StateKey<Words>> keys;
    std::vector<uint32_t> parent;
    std::vector<uint8_t> via;
    const std::size_t expected = std::min<uint64_t>(options.maxStates, uint64_t{1} << 28);
    keys.reserve(expected);
    parent.reserve(expected);
    via.reserve(expected);

    // Up to 64 blocks: a move's slot and direction share one byte.
    std::array<BlockValue, 64> current{};
    std::array<BlockValue, 64> next{};
    std::copy(model.initialValues().begin(), model.initialValues().end(), current.begin());
    sortGroups(model, current.data());
    keys.push_back(packer.pack(current.data()));
    visited.insert(keys[0], visited.locate(keys[0], current.data()));
    parent.push_back(0);
    via.push_back(0);

    SolveResult result;
    auto finish = [&](uint32_t goal, int depth) {
        result.status = SolveResult::Status::Solved;
        result.optimum = depth;
        std::vector<uint32_t> path;
        for (uint32_t s = goal; s != 0; s = parent[s]) {
            path.push_back(s);
        }
        std::reverse(path.begin(), path.end());
        // Follow the real elements through the canonical states.
        std::vector<BlockValue> element(model.initialValues());
        Bitboard rows;
        Bitboard columns;
        for (uint32_t s : path) {
            const int slot = via[s] / 4;
            const Direction direction = kDirections[via[s] % 4];
            packer.unpack(keys[parent[s]], current.data());
            const BlockValue mover = current[slot];
            const ColourGroup& g = *slotGroup[slot];
            const auto it = std::find(element.begin() + g.firstSlot,
                                      element.begin() + g.firstSlot + g.count, mover);
            const int real = static_cast<int>(it - element.begin());
            fillBitboards(model, element.data(), count, rows, columns);
            element[real] = model.slide(mover, direction, rows, columns);
            result.moves.push_back(
                MoveNotation{g.colour, static_cast<int16_t>(real - g.firstSlot + 1), direction});
        }
    };

    if (options.stopAtGoal && model.isGoal(current.data())) {
        result.status = SolveResult::Status::Solved;
        result.optimum = 0;
        result.statesStored = 1;
        return result;
    }

    Bitboard rows;
    Bitboard columns;
    // Successors of a batch of states, located and prefetched before they are looked up, so
    // that many lookups wait for memory at once.
    // Where states are numbered, a successor's number comes straight from its parent's
    // values and its key is packed only if it is new: most successors were seen before.
    struct Successor {
        StateKey<Words> key;
        uint64_t place;
        uint32_t parent;
        BlockValue moved;
        uint8_t via;
    };
    constexpr std::size_t kBatch = 8;
    std::vector<Successor> successors(kBatch * static_cast<std::size_t>(count) * 4);
    std::size_t successorCount = 0;
    std::vector<uint64_t> groupParts(model.groups().size());
    std::vector<std::size_t> slotGroupIndex;
    for (int slot = 0; slot < count; ++slot) {
        slotGroupIndex.push_back(static_cast<std::size_t>(slotGroup[slot] - model.groups().data()));
    }
    std::size_t layerStart = 0;
    std::size_t layerEnd = 1;
    int depth = 0;
    while (layerStart < layerEnd) {
        for (std::size_t batch = layerStart; batch < layerEnd; batch += kBatch) {
            successorCount = 0;
            for (std::size_t id = batch; id < std::min(batch + kBatch, layerEnd); ++id) {
                packer.unpack(keys[id], current.data());
                fillBitboards(model, current.data(), count, rows, columns);
                // A move changes one colour's part of the state's number only.
                uint64_t number = 0;
                if (visited.numbered()) {
                    for (std::size_t g = 0; g < model.groups().size(); ++g) {
                        groupParts[g] = visited.ranker().groupPart(g, current.data());
                        number += groupParts[g];
                    }
                }
                for (int slot = 0; slot < count; ++slot) {
                    const BlockValue mover = current[slot];
                    if (!model.info(mover).visible) {
                        continue;
                    }
                    for (Direction direction : kDirections) {
                        const BlockValue moved = model.slide(mover, direction, rows, columns);
                        if (moved == mover) {
                            continue;
                        }
                        Successor& s = successors[successorCount++];
                        if (visited.numbered()) {
                            const std::size_t g = slotGroupIndex[slot];
                            s.place =
                                number - groupParts[g] +
                                visited.ranker().groupPartReplacing(g, current.data(), slot, moved);
                        } else {
                            copyValues(current, next, count);
                            next[slot] = moved;
                            resort(next.data(), slot, *slotGroup[slot]);
                            s.key = packer.pack(next.data());
                            s.place = hashKey<Words>(s.key);
                        }
                        s.parent = static_cast<uint32_t>(id);
                        s.moved = moved;
                        s.via = static_cast<uint8_t>(slot * 4 + directionIndex(direction));
                        visited.prefetch(s.place);
                    }
                }
            }
            for (std::size_t i = 0; i < successorCount; ++i) {
                Successor& s = successors[i];
                if (!visited.insert(s.key, s.place)) {
                    continue;
                }
                if (visited.numbered()) {
                    const int slot = s.via / 4;
                    packer.unpack(keys[s.parent], next.data());
                    next[slot] = s.moved;
                    resort(next.data(), slot, *slotGroup[slot]);
                    s.key = packer.pack(next.data());
                }
                keys.push_back(s.key);
                parent.push_back(s.parent);
                via.push_back(s.via);
                // Only a state seen for the first time can be a new answer.
                if (options.stopAtGoal) {
                    packer.unpack(s.key, next.data());
                    if (model.isGoal(next.data())) {
                        finish(static_cast<uint32_t>(keys.size() - 1), depth + 1);
                        result.statesStored = keys.size();
                        result.depthCompleted = depth;
                        return result;
                    }
                }
                if (keys.size() >= options.maxStates) {
                    result.status = SolveResult::Status::BudgetExhausted;
                    result.statesStored = keys.size();
                    result.depthCompleted = depth;
                    return result;
                }
            }
        }
        layerStart = layerEnd;
        layerEnd = keys.size();
        if (layerStart < layerEnd) {
            ++depth;
        }
    }
    result.status = SolveResult::Status::Unsolvable;
    result.statesStored = keys.size();
    result.depthCompleted = depth;
    return result;
}

} // namespace

Expected<SolveResult> solve(const LevelDescription& level, const SolveOptions& options) {
    auto model = SlideModel::build(level);
    if (!model) {
        return Error{model.error()};
    }
    const int bits = model->blockCount() * model->bitsPerValue();
    if (model->blockCount() == 0) {
        return search<1>(*model, options);
    }
    if (model->blockCount() * 4 > 256) {
        return Error{"too many blocks for the general search"};
    }
    // The top bit of each key is the table's own (see StateTable).
    switch ((bits + 64) / 64) {
    case 1:
        return search<1>(*model, options);
    case 2:
        return search<2>(*model, options);
    case 3:
        return search<3>(*model, options);
    case 4:
        return search<4>(*model, options);
    case 5:
    case 6:
        return search<6>(*model, options);
    case 7:
    case 8:
        return search<8>(*model, options);
    default:
        break;
    }
    return Error{"too many blocks for the general search (" + std::to_string(model->blockCount()) +
                 ")"};
}

Expected<std::vector<BlockValue>> applyMoves(const SlideModel& model,
                                             const std::vector<MoveNotation>& moves) {
    std::vector<BlockValue> values(model.initialValues());
    Bitboard rows;
    Bitboard columns;
    for (const MoveNotation& move : moves) {
        const auto group =
            std::find_if(model.groups().begin(), model.groups().end(),
                         [&move](const ColourGroup& g) { return g.colour == move.colour; });
        if (group == model.groups().end() || move.element < 1 || move.element > group->count) {
            return Error{"the move " + formatMove(move) + " names no block"};
        }
        const int slot = group->firstSlot + move.element - 1;
        fillBitboards(model, values.data(), model.blockCount(), rows, columns);
        values[slot] = model.slide(values[slot], move.direction, rows, columns);
    }
    return values;
}

} // namespace dovrix::solver
