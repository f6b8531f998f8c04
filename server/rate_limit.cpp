#include "rate_limit.h"

#include <sodium.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <new>
#include <stdexcept>

namespace dovrix::server {

void RateLimit::Free::operator()(Slot* slots) const {
    std::free(slots);
}

RateLimit::RateLimit(std::size_t limit, Clock::duration window, std::size_t capacity)
    : limit_(std::min<std::size_t>(limit, 255)),
      tenth_(std::max<Clock::duration>(window / 10, Clock::duration(1))),
      buckets_(std::bit_ceil(std::max<std::size_t>(capacity / kSlotsPerBucket, 1))),
      slots_(static_cast<Slot*>(std::calloc(buckets_ * kSlotsPerBucket, sizeof(Slot)))) {
    if (!slots_) {
        throw std::bad_alloc();
    }
    if (sodium_init() < 0) {
        throw std::runtime_error("libsodium cannot be initialised");
    }
    // Keys are hashed with a secret of this process, so no one can choose keys that crowd
    // out another's.
    randombytes_buf(hashKey_, sizeof hashKey_);
}

uint32_t RateLimit::tenthOf(Clock::time_point now) const {
    // Counted from 1: a slot's tenth 0 means it was never used.
    return static_cast<uint32_t>(now.time_since_epoch() / tenth_) + 1;
}

uint64_t RateLimit::tagOf(std::string_view key) const {
    unsigned char digest[crypto_shorthash_BYTES];
    crypto_shorthash(digest, reinterpret_cast<const unsigned char*>(key.data()), key.size(),
                     hashKey_);
    uint64_t tag = 0;
    std::copy_n(digest, sizeof tag, reinterpret_cast<unsigned char*>(&tag));
    return tag | 1; // never 0
}

RateLimit::Slot* RateLimit::find(uint64_t tag) {
    Slot* bucket = &slots_[(tag >> 1) % buckets_ * kSlotsPerBucket];
    for (std::size_t i = 0; i < kSlotsPerBucket; ++i) {
        if (bucket[i].tag == tag) {
            return &bucket[i];
        }
    }
    return nullptr;
}

// The key's slot, or a new one in its bucket: a free slot, else the one idle longest (a key
// that no one uses any more, as a rule).
RateLimit::Slot& RateLimit::findOrClaim(uint64_t tag, uint32_t tenth) {
    const uint32_t use = ++uses_;
    if (Slot* slot = find(tag)) {
        slot->lastUse = use;
        return *slot;
    }
    Slot* bucket = &slots_[(tag >> 1) % buckets_ * kSlotsPerBucket];
    Slot* oldest =
        std::max_element(bucket, bucket + kSlotsPerBucket, [use](const Slot& a, const Slot& b) {
            return (a.tag ? use - a.lastUse : UINT32_MAX) < (b.tag ? use - b.lastUse : UINT32_MAX);
        });
    *oldest = Slot{};
    oldest->tag = tag;
    oldest->lastTenth = tenth;
    oldest->lastUse = use;
    return *oldest;
}

// The events of the last eleven tenths up to `tenth`; moves the slot on to it.
unsigned RateLimit::countIn(Slot& slot, uint32_t tenth) {
    if (tenth > slot.lastTenth) {
        const uint32_t passed = std::min<uint32_t>(tenth - slot.lastTenth, kTenths);
        for (uint32_t k = 1; k <= passed; ++k) {
            slot.counts[(slot.lastTenth + k) % kTenths] = 0;
        }
        slot.lastTenth = tenth;
    }
    unsigned total = 0;
    for (uint8_t count : slot.counts) {
        total += count;
    }
    return total;
}

bool RateLimit::allows(std::string_view key, Clock::time_point now) {
    const std::lock_guard lock(mutex_);
    Slot* slot = find(tagOf(key));
    return slot ? countIn(*slot, tenthOf(now)) < limit_ : limit_ > 0;
}

bool RateLimit::take(std::string_view key, Clock::time_point now) {
    const uint64_t tag = tagOf(key);
    const uint32_t tenth = tenthOf(now);
    const std::lock_guard lock(mutex_);
    Slot& slot = findOrClaim(tag, tenth);
    if (countIn(slot, tenth) >= limit_) {
        return false;
    }
    ++slot.counts[tenth % kTenths];
    return true;
}

void RateLimit::giveBack(std::string_view key, Clock::time_point takenAt) {
    const uint32_t tenth = tenthOf(takenAt);
    const std::lock_guard lock(mutex_);
    Slot* slot = find(tagOf(key));
    if (slot && tenth <= slot->lastTenth && slot->lastTenth - tenth < kTenths &&
        slot->counts[tenth % kTenths] > 0) {
        --slot->counts[tenth % kTenths];
    }
}

void RateLimit::forget(std::string_view key) {
    const std::lock_guard lock(mutex_);
    if (Slot* slot = find(tagOf(key))) {
        *slot = Slot{};
    }
}

} // namespace dovrix::server
