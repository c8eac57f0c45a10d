#pragma once

#include "limits/rate_limiter.h"
#include "cluster/redis_client.h"

#include <atomic>
#include <string>

namespace mossquill::service {

// A sliding window kept in Redis, shared by every instance of the service: one sorted set
// of event times per key, which expires with the window. The events of this instance are
// also counted here, so that while Redis cannot be reached the instance decides alone
// instead of failing the request.
class RedisWindowLimiter final : public RateLimiter {
public:
    RedisWindowLimiter(RedisClient& redis, std::string name, std::size_t limit, std::chrono::milliseconds window);

    bool IsExhausted(const std::string& key, TimePoint now) override;
    void Record(const std::string& key, TimePoint now) override;
    bool TryTake(const std::string& key, TimePoint now) override;

    static LimiterFactory Factory(RedisClient& redis);

private:
    // True when the key had room (for "check": still has room).
    bool Run(const char* mode, const std::string& key, TimePoint now);

    RedisClient& redis_;
    std::string prefix_;
    std::size_t limit_;
    std::chrono::milliseconds window_;
    SlidingWindowLimiter local_;
};

}  // namespace mossquill::service
