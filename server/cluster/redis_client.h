#pragma once

#include "cluster/redis_connection.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace mossquill::service {

// Commands to one Redis server from any thread: each call borrows an idle connection
// (or opens one), so callers on different threads do not wait for each other.
//
// A failure marks the server unreachable: until a back-off has passed (doubling up to a
// few seconds) calls fail at once instead of each waiting for a connection time-out, then
// one call tries again. Going down and coming back are logged once each.
class RedisClient {
public:
    // With a password, every connection authenticates first (AUTH).
    RedisClient(std::string host, unsigned short port, std::optional<std::string> password = std::nullopt);

    RedisReply Run(const RedisCommand& command);
    std::vector<RedisReply> RunAll(const std::vector<RedisCommand>& commands);
    std::vector<std::optional<RedisReply>> RunEach(const std::vector<RedisCommand>& commands);

    // A connection of its own (for subscriptions), without a time-out.
    std::unique_ptr<RedisConnection> OpenDedicated() const;

    const std::string& Address() const { return address_; }

    // False from a failure until a call succeeds again.
    bool Reachable() const { return reachable_; }

private:
    using SteadyClock = std::chrono::steady_clock;

    std::unique_ptr<RedisConnection> Open(std::optional<std::chrono::milliseconds> timeout) const;
    std::unique_ptr<RedisConnection> Borrow();
    void GiveBack(std::unique_ptr<RedisConnection> connection);
    void Failed(const std::string& why);
    void Answered();

    template <class Work>
    auto WithConnection(Work&& work);

    std::string host_;
    unsigned short port_;
    std::string address_;
    std::optional<std::string> password_;
    std::atomic<bool> reachable_{true};
    std::mutex mutex_;
    std::vector<std::unique_ptr<RedisConnection>> idle_;
    SteadyClock::time_point retryAt_{};
    std::chrono::milliseconds backoff_{0};
};

}  // namespace mossquill::service
