#pragma once

#include "cluster/redis_client.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace mossquill::service {

// Listens to Redis channels and channel patterns on a connection and a thread of its own
// and hands every message, with the channel it came on, to `onMessage` on that thread. A lost connection is made again
// (messages sent meanwhile are lost: pub/sub keeps nothing).
class RedisSubscriber {
public:
    using Handler = std::function<void(const std::string& channel, const std::string& message)>;

    // `prepare` runs before every subscription, the first and those after a lost
    // connection (a restarted Redis may have forgotten settings); it may throw.
    RedisSubscriber(RedisClient& redis, std::vector<std::string> channels, std::vector<std::string> patterns,
                    std::function<void()> prepare, Handler onMessage);
    ~RedisSubscriber();
    RedisSubscriber(const RedisSubscriber&) = delete;
    RedisSubscriber& operator=(const RedisSubscriber&) = delete;

    // Returns once everything is subscribed; throws when Redis cannot be reached.
    void Start();
    void Stop();

private:
    std::unique_ptr<RedisConnection> Subscribe();
    void Listen(std::unique_ptr<RedisConnection> connection);

    RedisClient& redis_;
    std::vector<std::string> channels_;
    std::vector<std::string> patterns_;
    std::function<void()> prepare_;
    Handler onMessage_;
    std::mutex mutex_;  // guards connection_ and stopping_
    RedisConnection* connection_ = nullptr;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace mossquill::service
