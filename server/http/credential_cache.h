#pragma once

#include "core/clock.h"
#include "store/store.h"

#include <chrono>
#include <cstddef>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace mossquill::service {

// Devices whose credentials were verified lately, so that a device's requests do not each
// cost a database read to prove who it is. Holds the token digest only (never a token);
// an entry lives for `lifetime` (bounding what another instance's change of the device
// can leave behind here) and the oldest go first once `capacity` devices are held. Used
// from one thread (the storage thread).
class CredentialCache {
public:
    CredentialCache(std::size_t capacity, std::chrono::milliseconds lifetime);

    // The device's credentials when held and the token's digest matches them (compared in
    // constant time); nothing otherwise, and the caller asks the database.
    std::optional<DeviceCredentials> Verified(std::string_view deviceId, std::string_view tokenDigest, TimePoint now);

    // Credentials the database has just confirmed.
    void Remember(const DeviceCredentials& credentials, TimePoint now);

    // The device changed (profile, last seen) or is gone: its entry goes.
    void Forget(std::string_view deviceId);
    void ForgetAll();

private:
    struct Entry {
        DeviceCredentials credentials;
        TimePoint verifiedAt;
    };
    using Order = std::list<Entry>;

    void DropStale(TimePoint now);

    std::size_t capacity_;
    std::chrono::milliseconds lifetime_;
    Order order_;  // oldest first: every entry lives equally long, so this is expiry order too
    std::unordered_map<std::string_view, Order::iterator> byId_;  // keys view the entries' ids
};

}  // namespace mossquill::service
