#pragma once

#include "cluster/redis_connection.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace mossquill::service {

// Commands to one Redis server from any thread: each call borrows an idle connection
// (or opens one), so callers on different threads do not wait for each other. A
// connection that failed is dropped; the next call opens a new one.
class RedisClient {
public:
    // With a password, every connection authenticates first (AUTH).
    RedisClient(std::string host, unsigned short port, std::optional<std::string> password = std::nullopt);

    RedisReply Run(const RedisCommand& command);
    std::vector<RedisReply> RunAll(const std::vector<RedisCommand>& commands);

    // A connection of its own (for subscriptions), without a time-out.
    std::unique_ptr<RedisConnection> OpenDedicated() const;

    const std::string& Address() const { return address_; }

private:
    std::unique_ptr<RedisConnection> Open(std::optional<std::chrono::milliseconds> timeout) const;
    std::unique_ptr<RedisConnection> Borrow();
    void GiveBack(std::unique_ptr<RedisConnection> connection);

    template <class Work>
    auto WithConnection(Work&& work);

    std::string host_;
    unsigned short port_;
    std::string address_;
    std::optional<std::string> password_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<RedisConnection>> idle_;
};

}  // namespace mossquill::service
