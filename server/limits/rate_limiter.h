#pragma once

#include "core/clock.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace mossquill::service {

// Allows at most `limit` events per key within any sliding window; a limit of 0
// allows everything.
class RateLimiter {
public:
    virtual ~RateLimiter() = default;

    virtual bool IsExhausted(const std::string& key, TimePoint now) = 0;
    virtual void Record(const std::string& key, TimePoint now) = 0;

    // IsExhausted and, when not, Record.
    virtual bool TryTake(const std::string& key, TimePoint now) = 0;
};

// Makes the limiter of one rule; `name` tells the rules apart where counters are shared.
using LimiterFactory = std::function<std::unique_ptr<RateLimiter>(std::string_view name, std::size_t limit,
                                                                  std::chrono::milliseconds window)>;

// Counters in this process, safe to use from any thread. Keys whose events have all aged
// out are forgotten.
class SlidingWindowLimiter final : public RateLimiter {
public:
    SlidingWindowLimiter(std::size_t limit, std::chrono::milliseconds window);

    bool IsExhausted(const std::string& key, TimePoint now) override;
    void Record(const std::string& key, TimePoint now) override;
    bool TryTake(const std::string& key, TimePoint now) override;

    static LimiterFactory Factory();

private:
    bool IsExhaustedLocked(const std::string& key, TimePoint now);
    void RecordLocked(const std::string& key, TimePoint now);
    void Prune(std::vector<TimePoint>& events, TimePoint now) const;
    void SweepIdleKeys(TimePoint now);

    std::mutex mutex_;
    std::size_t limit_;
    std::chrono::milliseconds window_;
    std::size_t sweepAt_;
    // Oldest first. A vector: a key holds at most `limit` events, and a deque's first block
    // alone (over half a KiB) would be most of the memory of every session start.
    std::unordered_map<std::string, std::vector<TimePoint>> events_;
};

}  // namespace mossquill::service
