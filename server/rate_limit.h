#pragma once
// Counts events per key (a client address, an account and address) over a sliding window,
// in a table of fixed size: each request costs the same few steps however many keys exist.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>

namespace dovrix::server {

class RateLimit {
public:
    using Clock = std::chrono::steady_clock;

    // At most `limit` (at most 255) events per key within any `window`; room for at least
    // `capacity` keys. A key's events are counted in tenths of the window, and an event
    // counts until eleven tenths have passed, so no window of that length ever holds more.
    RateLimit(std::size_t limit, Clock::duration window, std::size_t capacity);

    // Whether the key has room for another event now.
    bool allows(std::string_view key, Clock::time_point now);
    // Reserves one event when there is room; false, reserving nothing, when there is none.
    bool take(std::string_view key, Clock::time_point now);
    // Returns an event taken at `takenAt` (a check that did not happen after all).
    void giveBack(std::string_view key, Clock::time_point takenAt);
    void forget(std::string_view key);

    static constexpr std::size_t kTenths = 11;

private:
    struct Slot {
        uint64_t tag; // 0: free
        uint32_t lastTenth;
        uint32_t lastUse; // the table's use count at the key's last use
        uint8_t counts[kTenths];
    };
    struct Free {
        void operator()(Slot* slots) const;
    };
    static constexpr std::size_t kSlotsPerBucket = 8;

    uint32_t tenthOf(Clock::time_point now) const;
    uint64_t tagOf(std::string_view key) const;
    Slot* find(uint64_t tag);
    Slot& findOrClaim(uint64_t tag, uint32_t tenth);
    static unsigned countIn(Slot& slot, uint32_t tenth);

    std::size_t limit_;
    Clock::duration tenth_;
    std::size_t buckets_;
    unsigned char hashKey_[16];
    std::mutex mutex_;
    // Zeroed pages from calloc: memory is taken as keys arrive, never more than the table.
    std::unique_ptr<Slot[], Free> slots_;
    uint32_t uses_ = 0;
};

} // namespace dovrix::server
