#pragma once

#include "store/store.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mossquill::service {

// What other instances of the service ask of this one's live sessions. Devices without
// a session here are ignored: the message arrived after the session ended.
class PeerEvents {
public:
    virtual ~PeerEvents() = default;

    // A message for the sessions of these devices.
    virtual void DeliverHere(const std::vector<std::string>& deviceIds, const std::string& text) = 0;

    // A presence notice about `aboutId` for the sessions of these devices.
    virtual void PresenceHere(const std::vector<std::string>& deviceIds, const std::string& aboutId,
                              const std::string& text) = 0;

    // A claim made the device friends with `friendId`; `text` tells it so.
    virtual void BefriendHere(const std::string& deviceId, const std::string& friendId, const std::string& text) = 0;

    // The device is no longer friends with `formerId`; `text` tells it so.
    virtual void UnfriendHere(const std::string& deviceId, const std::string& formerId, const std::string& text) = 0;

    // The device's nickname or appearance changed.
    virtual void ProfileHere(const DeviceRecord& device) = 0;

    // A newer session of the device took over: the session `serial` here closes as replaced.
    virtual void ReplaceHere(const std::string& deviceId, std::uint64_t serial) = 0;

    // The device's presence lapsed (its instance died or stalled): friends here hear it
    // went offline.
    virtual void WentOffline(const DeviceRecord& device) = 0;

    // This instance's session of the device had lapsed and holds again: its friends
    // hear it is online.
    virtual void BackOnline(const std::string& deviceId) = 0;
};

// Which instance of the service holds each device's live session, and the way to the
// other instances. The relay keeps the sessions of this process itself and asks the
// directory only about the rest. Safe to use from any thread. Release, Deliver and
// DeliverAll never wait for the shared directory (network threads call them); while it
// cannot be reached, the instance goes by what it knows itself.
class SessionDirectory {
public:
    virtual ~SessionDirectory() = default;

    // Starts delivering what other instances send; `events` outlives Stop.
    virtual void Start(PeerEvents& events) = 0;
    virtual void Stop() = 0;

    // Throws when the shared directory cannot be reached (for the health check).
    virtual void Check() = 0;

    // This process now holds the device's session `serial`. True when the device was
    // online already somewhere (the new session replaces that one, which is told to close).
    virtual bool Claim(const DeviceRecord& device, std::uint64_t serial) = 0;

    // The session `serial` has ended. `wentOffline` runs (now or later, on any thread) when
    // it was still the device's session, so its friends must hear it went offline; not
    // when a newer one took its place.
    virtual void Release(const std::string& deviceId, std::uint64_t serial, std::function<void()> wentOffline) = 0;

    // For each device: whether another instance holds a session of it.
    virtual std::vector<bool> OnlineElsewhere(const std::vector<std::string>& deviceIds) = 0;

    // Sends a message to the device's session on another instance; `undelivered` runs (now
    // or later, on any thread) when there is none.
    virtual void Deliver(const std::string& deviceId, std::string text, std::function<void()> undelivered) = 0;

    // The same for many devices, where online.
    virtual void DeliverAll(const std::vector<std::string>& deviceIds, const std::string& text) = 0;

    // A presence notice about `aboutId` for many devices, where online.
    virtual void DeliverPresence(const std::vector<std::string>& deviceIds, const std::string& aboutId,
                                 const std::string& text) = 0;

    // friend_added for a device whose session another instance may hold.
    virtual void Befriend(const std::string& deviceId, const std::string& friendId, const std::string& text) = 0;

    // friend_removed for a device whose session another instance may hold.
    virtual void Unfriend(const std::string& deviceId, const std::string& formerId, const std::string& text) = 0;

    // The device's nickname or appearance changed (wherever its session is).
    virtual void ProfileChanged(const DeviceRecord& device) = 0;
};

// One process serving alone: there are no other instances.
class LoneInstance final : public SessionDirectory {
public:
    void Start(PeerEvents&) override {}
    void Stop() override {}
    void Check() override {}
    bool Claim(const DeviceRecord&, std::uint64_t) override { return false; }
    void Release(const std::string&, std::uint64_t, std::function<void()> wentOffline) override { wentOffline(); }
    std::vector<bool> OnlineElsewhere(const std::vector<std::string>& deviceIds) override {
        return std::vector<bool>(deviceIds.size(), false);
    }
    void Deliver(const std::string&, std::string, std::function<void()> undelivered) override { undelivered(); }
    void DeliverAll(const std::vector<std::string>&, const std::string&) override {}
    void DeliverPresence(const std::vector<std::string>&, const std::string&, const std::string&) override {}
    void Befriend(const std::string&, const std::string&, const std::string&) override {}
    void Unfriend(const std::string&, const std::string&, const std::string&) override {}
    void ProfileChanged(const DeviceRecord&) override {}
};

}  // namespace mossquill::service
