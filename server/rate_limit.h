#pragma once
// Counts events per key (a client address, an account and address) over a sliding window,
// in bounded memory.

#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace dovrix::server {

class RateLimit {
public:
    using Clock = std::chrono::steady_clock;

    // At most `limit` events per key within any `window`; at most `capacity` keys are kept.
    RateLimit(std::size_t limit, Clock::duration window, std::size_t capacity);

    // Whether the key has room for another event now.
    bool allows(const std::string& key, Clock::time_point now);
    void record(const std::string& key, Clock::time_point now);
    // Records the event when there is room; false, recording nothing, when there is none.
    bool take(const std::string& key, Clock::time_point now);
    void forget(const std::string& key);

private:
    bool allowsLocked(const std::string& key, Clock::time_point now);
    void recordLocked(const std::string& key, Clock::time_point now);

    std::size_t limit_;
    Clock::duration window_;
    std::size_t capacity_;
    std::mutex mutex_;
    // The times of each key's events within the window, oldest first.
    std::unordered_map<std::string, std::deque<Clock::time_point>> events_;
};

} // namespace dovrix::server
