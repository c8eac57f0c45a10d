#pragma once

#include "core/clock.h"
#include "http/api_response.h"
#include "limits/rate_limiter.h"
#include "limits/service_limits.h"
#include "live/live_relay.h"
#include "store/store.h"

#include <memory>
#include <mutex>
#include <string_view>

namespace mossquill::service {

// The answer to health checks, kept fresh in the background: Check makes the real check
// (a database read, and a word with Redis when instances share it) on the storage thread,
// at most once per healthCheckInterval; Answer is what the network threads give the load
// balancers meanwhile, from memory, so that a flood of health checks costs no storage work.
class HealthMonitor {
public:
    HealthMonitor(Store& store, const LiveRelay& relay, const Clock& clock, const ServiceLimits& limits);

    // On the storage thread.
    void Check();

    // Any thread. For load balancers, needing no key, so limited per network like other
    // reads; counted by this instance alone (each instance is checked on its own, and no
    // network thread waits for Redis).
    ApiResponse Answer(std::string_view peerAddress);

private:
    Store& store_;
    const LiveRelay& relay_;
    const Clock& clock_;
    std::unique_ptr<RateLimiter> checksPerNetwork_;
    std::mutex mutex_;
    ApiResponse answer_;
};

}  // namespace mossquill::service
