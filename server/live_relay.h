#pragma once

#include "clock.h"
#include "live_connection.h"
#include "rate_limiter.h"
#include "service_limits.h"
#include "store.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace mossquill::service {

// The live sessions: who is online, presence and friend-list notices, and the relay
// of visits ("action") and reactions between friends. One session per device.
//
// Safe to use from any thread. It never touches the database: each online device's
// record and friends are handed over when its session opens and kept current by the
// notices, so relaying costs no disk work on the network threads.
class LiveRelay {
public:
    LiveRelay(const Clock& clock, const ServiceLimits& limits, std::optional<nlohmann::json> announcement);

    // A session of an authenticated device has started, with the device's friends as
    // stored; a previous session of the same device is replaced.
    void Open(const DeviceRecord& device, const std::vector<DeviceRecord>& friends,
              const std::shared_ptr<LiveConnection>& connection);

    // One complete message from the session; binary ones count against the limit too.
    void Receive(const std::string& deviceId, const LiveConnection& connection, std::string_view message,
                 bool isText);

    // The session has ended (for whatever reason).
    void Close(const std::string& deviceId, const LiveConnection& connection);

    bool IsOnline(const std::string& deviceId) const;

    // A claim made these two devices friends.
    void NotifyFriendAdded(const DeviceRecord& claimer, const DeviceRecord& owner);

    // The device's nickname or appearance changed; friends as stored.
    void NotifyProfileChanged(const DeviceRecord& device, const std::vector<DeviceRecord>& friends);

    void SetAnnouncement(std::optional<nlohmann::json> announcement);

    std::size_t SessionCount() const;

    // Lets go of every session without telling anyone; for the end of the process,
    // while the network objects the sessions use still exist.
    void DropSessions();

private:
    struct Session {
        std::shared_ptr<LiveConnection> connection;
        DeviceRecord device;
        std::unordered_set<std::string> friends;
    };

    void SendToOnline(const std::vector<std::string>& deviceIds, const std::string& message) const;
    void Relay(const Session& sender, const nlohmann::json& message);
    bool IsOnlineLocked(const std::string& deviceId) const;
    LiveConnection* Current(const std::string& deviceId) const;

    const Clock& clock_;
    mutable std::mutex mutex_;
    std::optional<nlohmann::json> announcement_;
    SlidingWindowLimiter messageLimiter_;
    std::unordered_map<std::string, Session> sessions_;
};

}  // namespace mossquill::service
