#include "rate_limit.h"

#include <algorithm>

namespace dovrix::server {

RateLimit::RateLimit(std::size_t limit, Clock::duration window, std::size_t capacity)
    : limit_(limit), window_(window), capacity_(std::max<std::size_t>(capacity, 1)) {}

bool RateLimit::allows(const std::string& key, Clock::time_point now) {
    const std::lock_guard lock(mutex_);
    return allowsLocked(key, now);
}

void RateLimit::record(const std::string& key, Clock::time_point now) {
    const std::lock_guard lock(mutex_);
    recordLocked(key, now);
}

bool RateLimit::take(const std::string& key, Clock::time_point now) {
    const std::lock_guard lock(mutex_);
    if (!allowsLocked(key, now)) {
        return false;
    }
    recordLocked(key, now);
    return true;
}

void RateLimit::forget(const std::string& key) {
    const std::lock_guard lock(mutex_);
    events_.erase(key);
}

bool RateLimit::allowsLocked(const std::string& key, Clock::time_point now) {
    const auto found = events_.find(key);
    if (found == events_.end()) {
        return limit_ > 0;
    }
    auto& times = found->second;
    while (!times.empty() && times.front() <= now - window_) {
        times.pop_front();
    }
    return times.size() < limit_;
}

void RateLimit::recordLocked(const std::string& key, Clock::time_point now) {
    if (events_.size() >= capacity_ && !events_.contains(key)) {
        std::erase_if(events_, [&](const auto& entry) {
            return entry.second.empty() || entry.second.back() <= now - window_;
        });
        // Still full of live keys: drop the one idle longest. Keys come no faster than the
        // events that make them (wrong passwords each cost a hash), so this is rare.
        if (events_.size() >= capacity_) {
            events_.erase(
                std::min_element(events_.begin(), events_.end(), [](const auto& a, const auto& b) {
                    return a.second.back() < b.second.back();
                }));
        }
    }
    auto& times = events_[key];
    times.push_back(now);
    if (times.size() > limit_) {
        times.pop_front();
    }
}

} // namespace dovrix::server
