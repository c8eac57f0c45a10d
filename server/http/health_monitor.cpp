#include "http/health_monitor.h"

#include "core/texts.h"
#include "limits/client_prefix.h"

namespace mossquill::service {

HealthMonitor::HealthMonitor(Store& store, const LiveRelay& relay, const Clock& clock, const ServiceLimits& limits)
    : store_(store),
      relay_(relay),
      clock_(clock),
      checksPerNetwork_(SlidingWindowLimiter::Factory()("health", limits.healthChecksPerNetwork, limits.healthWindow)),
      answer_(Failure(503, texts::kStorageUnavailable)) {}  // until the first check

void HealthMonitor::Check() {
    ApiResponse answer;
    try {
        store_.Check();
        relay_.CheckDirectory();
        answer = Success(200, {{"status", "ok"}});
    } catch (const StorageUnavailable& error) {
        answer = StorageAway(error);
    } catch (const std::exception& error) {
        answer = InternalFailure(error);
    }
    const std::lock_guard lock(mutex_);
    answer_ = std::move(answer);
}

ApiResponse HealthMonitor::Answer(std::string_view peerAddress) {
    const TimePoint now = clock_.Now();
    for (const std::string& network : ClientNetworks(peerAddress)) {
        if (!checksPerNetwork_->TryTake(network, now)) {
            return Refused(Refusal::Changes, texts::kTooManyChanges);
        }
    }
    const std::lock_guard lock(mutex_);
    return answer_;
}

}  // namespace mossquill::service
