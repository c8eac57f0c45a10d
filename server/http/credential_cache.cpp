#include "http/credential_cache.h"

#include "core/credentials.h"

namespace mossquill::service {

CredentialCache::CredentialCache(std::size_t capacity, std::chrono::milliseconds lifetime)
    : capacity_(capacity), lifetime_(lifetime) {}

std::optional<DeviceCredentials> CredentialCache::Verified(std::string_view deviceId, std::string_view tokenDigest,
                                                           TimePoint now) {
    DropStale(now);
    const auto found = byId_.find(deviceId);
    if (found == byId_.end() || !SameDigest(tokenDigest, found->second->credentials.tokenDigest)) {
        return std::nullopt;
    }
    return found->second->credentials;
}

void CredentialCache::Remember(const DeviceCredentials& credentials, TimePoint now) {
    if (capacity_ == 0) {
        return;
    }
    Forget(credentials.device.id);
    DropStale(now);
    if (byId_.size() >= capacity_) {
        byId_.erase(order_.front().credentials.device.id);
        order_.pop_front();
    }
    order_.push_back({credentials, now});
    const auto entry = std::prev(order_.end());
    byId_.emplace(entry->credentials.device.id, entry);
}

void CredentialCache::Forget(std::string_view deviceId) {
    const auto found = byId_.find(deviceId);
    if (found != byId_.end()) {
        const Order::iterator entry = found->second;
        byId_.erase(found);
        order_.erase(entry);
    }
}

void CredentialCache::ForgetAll() {
    byId_.clear();
    order_.clear();
}

void CredentialCache::DropStale(TimePoint now) {
    while (!order_.empty() && now - order_.front().verifiedAt >= lifetime_) {
        byId_.erase(order_.front().credentials.device.id);
        order_.pop_front();
    }
}

}  // namespace mossquill::service
