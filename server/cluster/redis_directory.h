#pragma once

#include "cluster/delivery_note.h"
#include "cluster/redis_client.h"
#include "cluster/redis_subscriber.h"
#include "cluster/work_queue.h"
#include "live/session_directory.h"

#include <nlohmann/json.hpp>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

namespace mossquill::service {

// The directory of several instances sharing one Redis server.
//
// Keys: "mossquill:session:<device>" holds "<instance>:<serial>" of the device's live
// session and expires after the presence time unless its instance renews it (every third
// of that time), so the devices of an instance that died go offline; every instance hears
// of the expiry and tells the friends it serves. "mossquill:device:<device>" keeps the
// nickname and appearance of an online device a while longer, for that notice.
// Instances talk over the channel "mossquill:instance:<id>": fire and forget, at most once.
//
// Releases and deliveries wait their turn on a queue of their own, so the network threads
// never wait for Redis. Deliveries that wait together go out together: one script looks up
// their owners and publishes one note to each instance holding any of them, in one round
// trip; any other job sends the deliveries queued before it first, so everything leaves in
// the order it was asked.
// While Redis cannot be reached the instance goes by its own sessions: claims hold here
// (renewal puts them back once Redis answers), other instances count as empty, and a
// released session counts as gone offline; the health check reports what Redis last said
// instead of waiting for it.
class RedisDirectory final : public SessionDirectory {
public:
    // Connects (throws when Redis cannot be reached) and makes Redis publish key expiries.
    RedisDirectory(RedisClient& redis, std::chrono::milliseconds presenceTtl);
    ~RedisDirectory() override;

    void Start(PeerEvents& events) override;
    void Stop() override;
    void Check() override;
    bool Claim(const DeviceRecord& device, std::uint64_t serial) override;
    void Release(const std::string& deviceId, std::uint64_t serial, std::function<void()> wentOffline) override;
    std::vector<bool> OnlineElsewhere(const std::vector<std::string>& deviceIds) override;
    void Deliver(const std::string& deviceId, std::string text, std::function<void()> undelivered) override;
    void DeliverAll(const std::vector<std::string>& deviceIds, const std::string& text) override;
    void DeliverPresence(const std::vector<std::string>& deviceIds, const std::string& aboutId,
                         const std::string& text) override;
    void Befriend(const std::string& deviceId, const std::string& friendId, const std::string& text) override;
    void Unfriend(const std::string& deviceId, const std::string& formerId, const std::string& text) override;
    void ProfileChanged(const DeviceRecord& device) override;

private:
    struct Held {
        std::uint64_t serial = 0;
        DeviceRecord device;
    };
    struct Delivery {
        std::string deviceId;
        std::string text;
        std::function<void()> undelivered;
    };

    std::string Owner(std::uint64_t serial) const;
    // Publishes `text` to each instance holding sessions of these devices, as deliveries
    // or as presence notices about `about`; on the queue.
    void PublishToHolders(const std::vector<std::string>& deviceIds, std::optional<std::string> about,
                          std::string text);
    // Queues a job behind the deliveries waiting before it.
    bool PostInOrder(std::function<void()> job);
    // Sends the deliveries held back for a batch; on the queue.
    void SendDeliveries();
    // The owners' instances of the devices' sessions (empty where offline).
    std::vector<std::string> InstancesOf(const std::vector<std::string>& deviceIds);
    // Publishes a note to the instance; false when nobody listens there.
    bool Publish(const std::string& instance, const nlohmann::json& note);
    void OnMessage(const std::string& channel, const std::string& message);
    void OnNote(const std::string& message);
    void HandOn(const DeliveryNote& note);
    // False when the note is not one this build understands.
    bool OnJsonNote(const std::string& message);
    void OnExpired(const std::string& deviceId);
    void RenewLoop();
    void Renew();

    RedisClient& redis_;
    const std::chrono::milliseconds presenceTtl_;
    const std::string instance_;
    PeerEvents* events_ = nullptr;
    std::unique_ptr<RedisSubscriber> subscriber_;
    // Kinds of unreadable notes logged already (once each); the subscriber's thread only.
    std::array<bool, 3> unreadableLogged_{};

    // The sessions this instance holds, for renewal; guarded by heldMutex_, which also
    // keeps a renewal from bringing back a session being released.
    std::mutex heldMutex_;
    std::unordered_map<std::string, Held> held_;

    // Deliveries held back for the next batch; only the queue's thread touches them.
    std::vector<Delivery> pending_;
    WorkQueue queue_;

    std::mutex renewMutex_;
    std::condition_variable renewWake_;
    bool stopping_ = false;
    std::thread renewer_;
};

}  // namespace mossquill::service
