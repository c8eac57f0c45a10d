#pragma once

#include "core/clock.h"
#include "limits/rate_limiter.h"
#include "limits/service_limits.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mossquill::service {

// What failed claims (codes that do not exist or have expired) cost: each is a guess at
// somebody's code, so a device and every network the client address belongs to may fail
// only so often within the claim window (ServiceLimits). Safe to use from any thread.
class ClaimBudget {
public:
    enum class Verdict { Allowed, Spent, CeilingReached };

    ClaimBudget(const ServiceLimits& limits, const LimiterFactory& limiters);

    // Whether the device, claiming from the address, may claim now; a spent budget refuses
    // even the right code, or a guesser would learn from the answer.
    Verdict Check(const std::string& deviceId, TimePoint registeredAt, std::string_view address, TimePoint now);

    // A claim named no valid code: it counts against every budget it was checked against.
    void RecordFailure(const std::string& deviceId, TimePoint registeredAt, std::string_view address, TimePoint now);

private:
    struct Counter {
        RateLimiter* limiter;
        std::string key;
    };
    // The budgets that apply, without the ceiling.
    std::vector<Counter> Counters(const std::string& deviceId, TimePoint registeredAt, std::string_view address,
                                  TimePoint now) const;

    std::chrono::milliseconds newDeviceAge_;
    std::unique_ptr<RateLimiter> perDevice_;
    std::unique_ptr<RateLimiter> perNewDevice_;
    std::unique_ptr<RateLimiter> perIpv4Network_;
    std::unique_ptr<RateLimiter> perIpv6Customer_;
    std::unique_ptr<RateLimiter> perIpv6Block_;
    std::unique_ptr<RateLimiter> overall_;
};

}  // namespace mossquill::service
