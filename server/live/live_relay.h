#pragma once

#include "core/clock.h"
#include "core/json_input.h"
#include "live/live_connection.h"
#include "limits/rate_limiter.h"
#include "limits/service_limits.h"
#include "live/session_directory.h"
#include "store/store.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
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
// notices, so relaying costs no disk work on the network threads. It holds the sessions
// of this process; the directory knows those of the other instances.
class LiveRelay final : public PeerEvents {
public:
    LiveRelay(const Clock& clock, const ServiceLimits& limits, std::optional<nlohmann::json> announcement,
              SessionDirectory& directory, const LimiterFactory& limiters);

    // A session of an authenticated device has started, with the device's friends as
    // stored; a previous session of the same device is replaced.
    void Open(const DeviceRecord& device, const std::vector<DeviceRecord>& friends,
              const std::shared_ptr<LiveConnection>& connection);

    // One complete message from the session; binary ones count against the limit too.
    void Receive(const std::string& deviceId, const LiveConnection& connection, std::string_view message, bool isText);

    // The session has ended (for whatever reason).
    void Close(const std::string& deviceId, const LiveConnection& connection);

    bool IsOnline(const std::string& deviceId) const;

    // For each device whether it is online here or on another instance, in one look.
    std::vector<bool> AreOnline(const std::vector<std::string>& deviceIds) const;

    // A claim made these two devices friends.
    void NotifyFriendAdded(const DeviceRecord& claimer, const DeviceRecord& owner);

    // The device ended its friendship with the other one: from now on neither session may
    // visit the other or hear of its presence.
    void NotifyFriendRemoved(const DeviceRecord& remover, const DeviceRecord& removed);

    // The device's nickname or appearance changed; friends as stored.
    void NotifyProfileChanged(const DeviceRecord& device, const std::vector<DeviceRecord>& friends);

    // Throws when the sessions of the other instances cannot be reached.
    void CheckDirectory() const;

    void SetAnnouncement(std::optional<nlohmann::json> announcement);

    // Lets go of every session without telling anyone; for the end of the process,
    // while the network objects the sessions use still exist.
    void DropSessions();

    void DeliverHere(const std::vector<std::string>& deviceIds, const std::string& text) override;
    void PresenceHere(const std::vector<std::string>& deviceIds, const std::string& aboutId,
                      const std::string& text) override;
    void BefriendHere(const std::string& deviceId, const std::string& friendId, const std::string& text) override;
    void UnfriendHere(const std::string& deviceId, const std::string& formerId, const std::string& text) override;
    void ProfileHere(const DeviceRecord& device) override;
    void ReplaceHere(const std::string& deviceId, std::uint64_t serial) override;
    void WentOffline(const DeviceRecord& device) override;
    void BackOnline(const std::string& deviceId) override;

private:
    struct Session {
        std::shared_ptr<LiveConnection> connection;
        DeviceRecord device;
        std::string from;  // the device as its messages' "from", composed once
        std::unordered_set<std::string> friends;
        std::uint64_t serial = 0;

        void Describe(const DeviceRecord& record);
    };

    // Here or on any instance. A presence notice names the device it is about
    // (`presenceOf`), so that each session can coalesce the notices of a flapping friend.
    void SendToOnline(const std::vector<std::string>& deviceIds, const std::string& message,
                      const std::string& presenceOf = {});
    // Those held here, under the lock; returns the others.
    std::vector<std::string> SendHereLocked(const std::vector<std::string>& deviceIds, const std::string& message,
                                            const std::string& presenceOf = {}) const;
    // The session's connection while it is the device's current one.
    std::shared_ptr<LiveConnection> Held(const std::string& deviceId, const LiveConnection& connection) const;
    void Relay(const std::string& senderId, const LiveConnection& connection,
               const std::shared_ptr<LiveConnection>& senderConnection, std::span<const JsonMember> message);
    void Befriend(const DeviceRecord& to, const DeviceRecord& newFriend);
    void Unfriend(const DeviceRecord& to, const DeviceRecord& former);
    // Adds the friend to (or takes it from) the device's session here and sends it the
    // notice; false when the session is not here.
    bool ChangeFriendsHere(const std::string& deviceId, const std::string& friendId, bool befriended,
                           const std::string& text);
    LiveConnection* Current(const std::string& deviceId) const;

    const Clock& clock_;
    SessionDirectory& directory_;
    mutable std::mutex mutex_;
    // Keeps the local order of sessions of one device the same as the directory's (closing
    // needs no part in it: the directory's releases name the session they end).
    std::mutex openMutex_;
    std::atomic<std::uint64_t> nextSerial_{1};
    std::optional<nlohmann::json> announcement_;
    std::unique_ptr<RateLimiter> messageLimiter_;
    std::unordered_map<std::string, Session> sessions_;
};

}  // namespace mossquill::service
