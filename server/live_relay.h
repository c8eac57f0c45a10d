#pragma once

#include "clock.h"
#include "live_connection.h"
#include "rate_limiter.h"
#include "service_limits.h"
#include "store.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace mossquill::service {

// The live sessions: who is online, presence and friend-list notices, and the relay
// of visits ("action") and reactions between friends. One session per device.
class LiveRelay {
public:
    LiveRelay(Store& store, const Clock& clock, const ServiceLimits& limits,
              std::optional<nlohmann::json> announcement);

    // A session of an authenticated device has started; a previous session of the
    // same device is replaced.
    void Open(const DeviceRecord& device, const std::shared_ptr<LiveConnection>& connection);

    // One complete text message from the session.
    void Receive(const std::string& deviceId, const LiveConnection& connection, std::string_view text);

    // The session has ended (for whatever reason).
    void Close(const std::string& deviceId, const LiveConnection& connection);

    bool IsOnline(const std::string& deviceId) const;

    // A claim made these two devices friends.
    void NotifyFriendAdded(const DeviceRecord& claimer, const DeviceRecord& owner);

    // The device's nickname or appearance changed.
    void NotifyProfileChanged(const DeviceRecord& device);

    void SetAnnouncement(std::optional<nlohmann::json> announcement);

    // Lets go of every session without telling anyone; for the end of the process,
    // while the network objects the sessions use still exist.
    void DropSessions();

private:
    void NotifyOnlineFriends(const DeviceRecord& device, std::string_view type, bool online);
    void SendTo(const std::string& deviceId, const nlohmann::json& message);
    void Relay(const std::string& senderId, LiveConnection& sender, const nlohmann::json& message);
    LiveConnection* Current(const std::string& deviceId) const;

    Store& store_;
    const Clock& clock_;
    std::optional<nlohmann::json> announcement_;
    SlidingWindowLimiter messageLimiter_;
    std::unordered_map<std::string, std::shared_ptr<LiveConnection>> sessions_;
};

}  // namespace mossquill::service
