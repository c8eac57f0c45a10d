#pragma once

#include "clock.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <unordered_map>

namespace mossquill::service {

// Allows at most `limit` events per key within any sliding window; a limit of 0
// allows everything. Keys whose events have all aged out are forgotten.
class SlidingWindowLimiter {
public:
    SlidingWindowLimiter(std::size_t limit, std::chrono::milliseconds window);

    bool IsExhausted(const std::string& key, TimePoint now);
    void Record(const std::string& key, TimePoint now);

    // IsExhausted and, when not, Record.
    bool TryTake(const std::string& key, TimePoint now);

private:
    void Prune(std::deque<TimePoint>& events, TimePoint now) const;
    void SweepIdleKeys(TimePoint now);

    std::size_t limit_;
    std::chrono::milliseconds window_;
    std::size_t sweepAt_;
    std::unordered_map<std::string, std::deque<TimePoint>> events_;
};

}  // namespace mossquill::service
