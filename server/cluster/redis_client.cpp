#include "cluster/redis_client.h"

#include "core/log_line.h"

#include <algorithm>

namespace mossquill::service {
namespace {

// A Redis that stops answering fails the request instead of holding a thread for ever.
constexpr auto kCommandTimeout = std::chrono::seconds(2);
constexpr auto kFirstBackoff = std::chrono::milliseconds(250);
constexpr auto kLongestBackoff = std::chrono::milliseconds(2000);

}  // namespace

RedisClient::RedisClient(std::string host, unsigned short port, std::optional<std::string> password)
    : host_(std::move(host)),
      port_(port),
      address_(host_ + ":" + std::to_string(port_)),
      password_(std::move(password)) {}

std::unique_ptr<RedisConnection> RedisClient::Open(std::optional<std::chrono::milliseconds> timeout) const {
    auto connection = std::make_unique<RedisConnection>(host_, port_, timeout);
    if (password_) {
        connection->Run({"AUTH", *password_});
    }
    return connection;
}

template <class Work>
auto RedisClient::WithConnection(Work&& work) {
    std::unique_ptr<RedisConnection> connection = Borrow();
    try {
        auto result = work(*connection);
        GiveBack(std::move(connection));
        Answered();
        return result;
    } catch (const RedisError& error) {
        if (connection->Broken()) {
            Failed(error.what());
        } else {
            GiveBack(std::move(connection));  // an error reply: the server itself is fine
        }
        throw;
    }
}

RedisReply RedisClient::Run(const RedisCommand& command) {
    return WithConnection([&](RedisConnection& connection) { return connection.Run(command); });
}

std::vector<RedisReply> RedisClient::RunAll(const std::vector<RedisCommand>& commands) {
    return WithConnection([&](RedisConnection& connection) { return connection.RunAll(commands); });
}

std::vector<std::optional<RedisReply>> RedisClient::RunEach(const std::vector<RedisCommand>& commands) {
    return WithConnection([&](RedisConnection& connection) { return connection.RunEach(commands); });
}

std::unique_ptr<RedisConnection> RedisClient::OpenDedicated() const { return Open(std::nullopt); }

std::unique_ptr<RedisConnection> RedisClient::Borrow() {
    {
        const std::lock_guard lock(mutex_);
        if (!idle_.empty()) {
            auto connection = std::move(idle_.back());
            idle_.pop_back();
            return connection;
        }
        if (!reachable_) {
            const auto now = SteadyClock::now();
            if (now < retryAt_) {
                throw RedisError("Redis " + address_ + " is unreachable");
            }
            retryAt_ = now + backoff_;  // this call tries; the others keep failing at once
        }
    }
    try {
        return Open(kCommandTimeout);
    } catch (const RedisError& error) {
        Failed(error.what());
        throw;
    }
}

void RedisClient::GiveBack(std::unique_ptr<RedisConnection> connection) {
    const std::lock_guard lock(mutex_);
    idle_.push_back(std::move(connection));
}

void RedisClient::Failed(const std::string& why) {
    bool wasReachable = false;
    std::chrono::milliseconds retryIn{};
    {
        const std::lock_guard lock(mutex_);
        // The idle connections lead to the same server: each would wait for its time-out.
        idle_.clear();
        wasReachable = reachable_.exchange(false);
        backoff_ = wasReachable ? kFirstBackoff : std::min(backoff_ * 2, kLongestBackoff);
        retryAt_ = SteadyClock::now() + backoff_;
        retryIn = backoff_;
    }
    if (wasReachable) {
        // Later failures of the same outage are not logged; the first retry's delay is.
        LogEvent("redis_unavailable", {{"redis", address_},
                                       {"error", why},
                                       {"retry_in_ms", std::to_string(retryIn.count())},
                                       {"effect", "this instance decides alone until Redis answers"}});
    }
}

void RedisClient::Answered() {
    if (!reachable_.exchange(true)) {
        LogEvent("redis_available", {{"redis", address_}});
    }
}

}  // namespace mossquill::service
