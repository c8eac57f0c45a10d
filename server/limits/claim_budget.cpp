#include "limits/claim_budget.h"

#include "limits/client_prefix.h"

namespace mossquill::service {
namespace {

const std::string kEveryone;

}  // namespace

ClaimBudget::ClaimBudget(const ServiceLimits& limits, const LimiterFactory& limiters)
    : newDeviceAge_(limits.newDeviceAge),
      perDevice_(limiters("claim-device", limits.claimFailuresPerDevice, limits.claimWindow)),
      perNewDevice_(limiters("claim-new-device", limits.claimFailuresPerNewDevice, limits.claimWindow)),
      perIpv4Network_(limiters("claim-ipv4-24", limits.claimFailuresPerIpv4Network, limits.claimWindow)),
      perIpv6Customer_(limiters("claim-ipv6-56", limits.claimFailuresPerIpv6Customer, limits.claimWindow)),
      perIpv6Block_(limiters("claim-ipv6-48", limits.claimFailuresPerIpv6Block, limits.claimWindow)),
      overall_(limiters("claim-all", limits.claimFailuresOverall, limits.claimCeilingWindow)) {}

std::vector<ClaimBudget::Counter> ClaimBudget::Counters(const std::string& deviceId, TimePoint registeredAt,
                                                        std::string_view address, TimePoint now) const {
    std::vector<Counter> counters = {{perDevice_.get(), deviceId}};
    if (now - registeredAt < newDeviceAge_) {
        counters.push_back({perNewDevice_.get(), deviceId});
    }
    // An IPv6 /64 is not counted on its own: its /56 holds it and has the same budget.
    for (std::string& network : ClientNetworks(address)) {
        if (network.ends_with("/56")) {
            counters.push_back({perIpv6Customer_.get(), std::move(network)});
        } else if (network.ends_with("/48")) {
            counters.push_back({perIpv6Block_.get(), std::move(network)});
        } else if (!network.ends_with("/64")) {
            counters.push_back({perIpv4Network_.get(), std::move(network)});
        }
    }
    return counters;
}

ClaimBudget::Verdict ClaimBudget::Check(const std::string& deviceId, TimePoint registeredAt, std::string_view address,
                                        TimePoint now) {
    for (const Counter& counter : Counters(deviceId, registeredAt, address, now)) {
        if (counter.limiter->IsExhausted(counter.key, now)) {
            return Verdict::Spent;
        }
    }
    return overall_->IsExhausted(kEveryone, now) ? Verdict::CeilingReached : Verdict::Allowed;
}

void ClaimBudget::RecordFailure(const std::string& deviceId, TimePoint registeredAt, std::string_view address,
                                TimePoint now) {
    for (const Counter& counter : Counters(deviceId, registeredAt, address, now)) {
        counter.limiter->Record(counter.key, now);
    }
    overall_->Record(kEveryone, now);
}

}  // namespace mossquill::service
