#pragma once
// What the breadth-first searches share: a state's block values packed into a fixed-width key,
// each colour's values kept sorted, and the bitboards of the visible blocks a slide looks up.

#include "slide_model.h"
#include "state_table.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace dovrix::solver {

using Bitboard = std::array<uint32_t, 32>;

// Bit x of rows[y + 1] and bit y of columns[x + 1] for every visible block at (x, y).
inline void fillBitboards(const SlideModel& model, const BlockValue* values, int count,
                          Bitboard& rows, Bitboard& columns) {
    rows.fill(0);
    columns.fill(0);
    for (int slot = 0; slot < count; ++slot) {
        const ValueInfo& info = model.info(values[slot]);
        if (info.visible) {
            const int x = info.x;
            const int y = info.y;
            rows[y + 1] |= uint32_t{1} << x;
            columns[x + 1] |= uint32_t{1} << y;
        }
    }
}

template <int Words>
class Packer {
public:
    Packer(int count, int bits) : count_(count), bits_(bits) {}

    StateKey<Words> pack(const BlockValue* values) const {
        StateKey<Words> key{};
        if constexpr (Words == 1) {
            uint64_t word = 0;
            for (int i = 0, offset = 0; i < count_; ++i, offset += bits_) {
                word |= uint64_t{values[i]} << offset;
            }
            key[0] = word;
            return key;
        }
        int offset = 0;
        for (int i = 0; i < count_; ++i, offset += bits_) {
            const uint64_t v = values[i];
            key[offset / 64] |= v << (offset % 64);
            if (offset % 64 + bits_ > 64) {
                key[offset / 64 + 1] |= v >> (64 - offset % 64);
            }
        }
        return key;
    }

    void unpack(const StateKey<Words>& key, BlockValue* values) const {
        const uint64_t mask = (uint64_t{1} << bits_) - 1;
        if constexpr (Words == 1) {
            uint64_t word = key[0];
            for (int i = 0; i < count_; ++i, word >>= bits_) {
                values[i] = static_cast<BlockValue>(word & mask);
            }
            return;
        }
        int offset = 0;
        for (int i = 0; i < count_; ++i, offset += bits_) {
            uint64_t v = key[offset / 64] >> (offset % 64);
            if (offset % 64 + bits_ > 64) {
                v |= key[offset / 64 + 1] << (64 - offset % 64);
            }
            values[i] = static_cast<BlockValue>(v & mask);
        }
    }

private:
    int count_;
    int bits_;
};

// Keeps a colour's values sorted after one of them changed.
[[gnu::always_inline]] inline void resort(BlockValue* values, int slot, const ColourGroup& group) {
    if (group.count == 1) {
        return;
    }
    const int first = group.firstSlot;
    const int last = group.firstSlot + group.count - 1;
    while (slot > first && values[slot - 1] > values[slot]) {
        std::swap(values[slot - 1], values[slot]);
        --slot;
    }
    while (slot < last && values[slot + 1] < values[slot]) {
        std::swap(values[slot + 1], values[slot]);
        ++slot;
    }
}

inline void sortGroups(const SlideModel& model, BlockValue* values) {
    for (const ColourGroup& g : model.groups()) {
        std::sort(values + g.firstSlot, values + g.firstSlot + g.count);
    }
}

inline const ColourGroup& groupOfSlot(const SlideModel& model, int slot) {
    for (const ColourGroup& g : model.groups()) {
        if (slot < g.firstSlot + g.count) {
            return g;
        }
    }
    return model.groups().back();
}

} // namespace dovrix::solver
