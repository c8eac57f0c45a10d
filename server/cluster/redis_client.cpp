#include "cluster/redis_client.h"

namespace mossquill::service {
namespace {

// A Redis that stops answering fails the request instead of holding a thread for ever.
constexpr auto kCommandTimeout = std::chrono::seconds(2);

}  // namespace

RedisClient::RedisClient(std::string host, unsigned short port, std::optional<std::string> password)
    : host_(std::move(host)), port_(port), address_(host_ + ":" + std::to_string(port_)), password_(std::move(password))
{
}

std::unique_ptr<RedisConnection> RedisClient::Open(std::optional<std::chrono::milliseconds> timeout) const
{
    auto connection = std::make_unique<RedisConnection>(host_, port_, timeout);
    if (password_) {
        connection->Run({"AUTH", *password_});
    }
    return connection;
}

template <class Work>
auto RedisClient::WithConnection(Work&& work)
{
    std::unique_ptr<RedisConnection> connection = Borrow();
    try {
        auto result = work(*connection);
        GiveBack(std::move(connection));
        return result;
    } catch (const RedisError&) {
        if (!connection->Broken()) {
            GiveBack(std::move(connection));
        }
        throw;
    }
}

RedisReply RedisClient::Run(const RedisCommand& command)
{
    return WithConnection([&](RedisConnection& connection) { return connection.Run(command); });
}

std::vector<RedisReply> RedisClient::RunAll(const std::vector<RedisCommand>& commands)
{
    return WithConnection([&](RedisConnection& connection) { return connection.RunAll(commands); });
}

std::unique_ptr<RedisConnection> RedisClient::OpenDedicated() const
{
    return Open(std::nullopt);
}

std::unique_ptr<RedisConnection> RedisClient::Borrow()
{
    {
        const std::lock_guard lock(mutex_);
        if (!idle_.empty()) {
            auto connection = std::move(idle_.back());
            idle_.pop_back();
            return connection;
        }
    }
    return Open(kCommandTimeout);
}

void RedisClient::GiveBack(std::unique_ptr<RedisConnection> connection)
{
    const std::lock_guard lock(mutex_);
    idle_.push_back(std::move(connection));
}

}  // namespace mossquill::service
