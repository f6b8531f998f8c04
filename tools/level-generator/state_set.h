#pragma once
// A growing set of fixed-width states (one Position per block), numbered in the order they
// were added: the layers of a breadth-first search are ranges of numbers.

#include "grid_puzzle.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace dovrix::levelgen {

class StateSet {
public:
    static constexpr uint32_t kAbsent = 0xFFFFFFFF;

    explicit StateSet(int width) : width_(width), slots_(1024, kEmpty) {}

    int width() const { return width_; }
    uint32_t size() const { return static_cast<uint32_t>(states_.size() / width_); }
    const Position* state(uint32_t index) const {
        return states_.data() + std::size_t{index} * width_;
    }

    // The state's number, or kAbsent.
    uint32_t find(const Position* state) const {
        const uint64_t h = hash(state);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = h & mask;; i = (i + 1) & mask) {
            const uint64_t slot = slots_[i];
            if (slot == kEmpty) {
                return kAbsent;
            }
            if (tag(slot) == tagOf(h) &&
                std::memcmp(this->state(index(slot)), state, width_) == 0) {
                return index(slot);
            }
        }
    }

    // Adds the state unless it is there; true when it is new.
    bool insert(const Position* state) {
        if ((size() + 1) * 10 > slots_.size() * 7) {
            grow();
        }
        const uint64_t h = hash(state);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = h & mask;; i = (i + 1) & mask) {
            const uint64_t slot = slots_[i];
            if (slot == kEmpty) {
                slots_[i] = (uint64_t{tagOf(h)} << 32) | size();
                states_.insert(states_.end(), state, state + width_);
                return true;
            }
            if (tag(slot) == tagOf(h) &&
                std::memcmp(this->state(index(slot)), state, width_) == 0) {
                return false;
            }
        }
    }

private:
    // A slot holds the upper half of the state's hash beside its number, so that most
    // mismatches are told apart without reading the state.
    static constexpr uint64_t kEmpty = ~uint64_t{0};
    static uint32_t tagOf(uint64_t h) { return static_cast<uint32_t>(h >> 32); }
    static uint32_t tag(uint64_t slot) { return static_cast<uint32_t>(slot >> 32); }
    static uint32_t index(uint64_t slot) { return static_cast<uint32_t>(slot); }

    uint64_t hash(const Position* state) const {
        uint64_t h = 0x9E3779B97F4A7C15ull;
        for (int i = 0; i < width_; i += 8) {
            uint64_t word = 0;
            std::memcpy(&word, state + i, std::min(8, width_ - i));
            h ^= word;
            h *= 0xBF58476D1CE4E5B9ull;
            h ^= h >> 31;
        }
        h *= 0x94D049BB133111EBull;
        return h ^ (h >> 29);
    }

    void grow() {
        std::vector<uint64_t> bigger(slots_.size() * 2, kEmpty);
        const std::size_t mask = bigger.size() - 1;
        for (uint32_t n = 0; n < size(); ++n) {
            const uint64_t h = hash(state(n));
            std::size_t i = h & mask;
            while (bigger[i] != kEmpty) {
                i = (i + 1) & mask;
            }
            bigger[i] = (uint64_t{tagOf(h)} << 32) | n;
        }
        slots_.swap(bigger);
    }

    int width_;
    std::vector<Position> states_;
    std::vector<uint64_t> slots_;
};

} // namespace dovrix::levelgen
