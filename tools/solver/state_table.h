#pragma once
// The solver's visited set: states stored in the order they are found (their number is
// their place in that order) and an open-addressing index that holds each state's key
// beside its number, so a lookup touches one cache line. Memory latency in this index is
// what limits the search; callers hash a batch of keys and prefetch their slots first.

#include "huge_page_array.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace dovrix::solver {

template <int Words>
using StateKey = std::array<uint64_t, Words>;

template <int Words>
uint64_t hashKey(const StateKey<Words>& key) {
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (uint64_t word : key) {
        h ^= word;
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
        h *= 0x94D049BB133111EBull;
        h ^= h >> 29;
    }
    return h;
}

template <int Words>
bool sameKey(const StateKey<Words>& a, const StateKey<Words>& b) {
    bool same = true;
    for (int i = 0; i < Words; ++i) {
        same = same && a[i] == b[i];
    }
    return same;
}

template <int Words>
class StateTable {
public:
    StateTable() : slots_(1 << 16) {}

    std::size_t size() const { return size_; }

    void prefetch(uint64_t hash) const { __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]); }

    // Stores the key unless it is there already; true when it is new.
    bool insert(const StateKey<Words>& key, uint64_t hash) {
        if ((size_ + 1) * 10 > slots_.size() * 7) { // grow at 70% full
            grow();
        }
        const StateKey<Words> stored = mark(key);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            StateKey<Words>& slot = slots_[i];
            if (slot[0] == 0) {
                slot = stored;
                ++size_;
                return true;
            }
            if (sameKey<Words>(slot, stored)) {
                return false;
            }
        }
    }

private:
    // Keys never use the top bit of their first word (the packed values leave it free), so
    // setting it tells a stored key from an empty slot.
    static StateKey<Words> mark(StateKey<Words> key) {
        key[0] |= uint64_t{1} << 63;
        return key;
    }
    static StateKey<Words> unmark(StateKey<Words> key) {
        key[0] &= ~(uint64_t{1} << 63);
        return key;
    }

    void grow() {
        HugePageArray<StateKey<Words>> bigger(slots_.size() * 2);
        const std::size_t mask = bigger.size() - 1;
        for (std::size_t j = 0; j < slots_.size(); ++j) {
            if (slots_[j][0] == 0) {
                continue;
            }
            std::size_t i = hashKey<Words>(unmark(slots_[j])) & mask;
            while (bigger[i][0] != 0) {
                i = (i + 1) & mask;
            }
            bigger[i] = slots_[j];
        }
        slots_.swap(bigger);
    }

    HugePageArray<StateKey<Words>> slots_;
    std::size_t size_ = 0;
};

} // namespace dovrix::solver
