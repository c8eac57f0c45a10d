#include "limits/rate_limiter.h"

#include <algorithm>

namespace mossquill::service {
namespace {

constexpr std::size_t kFirstSweep = 1024;

}  // namespace

SlidingWindowLimiter::SlidingWindowLimiter(std::size_t limit, std::chrono::milliseconds window)
    : limit_(limit), window_(window), sweepAt_(kFirstSweep) {}

bool SlidingWindowLimiter::IsExhausted(const std::string& key, TimePoint now) {
    const std::lock_guard lock(mutex_);
    return IsExhaustedLocked(key, now);
}

void SlidingWindowLimiter::Record(const std::string& key, TimePoint now) {
    const std::lock_guard lock(mutex_);
    RecordLocked(key, now);
}

bool SlidingWindowLimiter::TryTake(const std::string& key, TimePoint now) {
    const std::lock_guard lock(mutex_);
    if (IsExhaustedLocked(key, now)) {
        return false;
    }
    RecordLocked(key, now);
    return true;
}

bool SlidingWindowLimiter::IsExhaustedLocked(const std::string& key, TimePoint now) {
    if (limit_ == 0) {
        return false;
    }
    const auto found = events_.find(key);
    if (found == events_.end()) {
        return false;
    }
    Prune(found->second, now);
    return found->second.size() >= limit_;
}

void SlidingWindowLimiter::RecordLocked(const std::string& key, TimePoint now) {
    if (limit_ == 0) {
        return;
    }
    auto& events = events_[key];
    Prune(events, now);
    events.push_back(now);
    // Only the newest `limit` events can decide anything.
    if (events.size() > limit_) {
        events.erase(events.begin(), events.end() - static_cast<std::ptrdiff_t>(limit_));
    }
    if (events_.size() >= sweepAt_) {
        SweepIdleKeys(now);
    }
}

LimiterFactory SlidingWindowLimiter::Factory() {
    return [](std::string_view, std::size_t limit, std::chrono::milliseconds window) {
        return std::make_unique<SlidingWindowLimiter>(limit, window);
    };
}

void SlidingWindowLimiter::Prune(std::vector<TimePoint>& events, TimePoint now) const {
    const auto current =
        std::find_if(events.begin(), events.end(), [&](TimePoint event) { return now - event < window_; });
    events.erase(events.begin(), current);
}

void SlidingWindowLimiter::SweepIdleKeys(TimePoint now) {
    for (auto it = events_.begin(); it != events_.end();) {
        Prune(it->second, now);
        it = it->second.empty() ? events_.erase(it) : std::next(it);
    }
    // Sweeping again only after the map has doubled keeps the cost per event constant.
    sweepAt_ = std::max(kFirstSweep, events_.size() * 2);
}

}  // namespace mossquill::service
