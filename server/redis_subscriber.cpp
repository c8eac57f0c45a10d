#include "redis_subscriber.h"

#include "log_line.h"

#include <chrono>

namespace mossquill::service {
namespace {

constexpr auto kReconnectPause = std::chrono::seconds(1);

}  // namespace

RedisSubscriber::RedisSubscriber(RedisClient& redis, std::vector<std::string> channels, Handler onMessage)
    : redis_(redis), channels_(std::move(channels)), onMessage_(std::move(onMessage))
{
}

RedisSubscriber::~RedisSubscriber() { Stop(); }

void RedisSubscriber::Start()
{
    auto connection = Subscribe();
    thread_ = std::thread([this, connection = std::move(connection)]() mutable { Listen(std::move(connection)); });
}

void RedisSubscriber::Stop()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        if (connection_ != nullptr) {
            connection_->Interrupt();
        }
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::unique_ptr<RedisConnection> RedisSubscriber::Subscribe()
{
    auto connection = redis_.OpenDedicated();
    RedisCommand command = {"SUBSCRIBE"};
    command.insert(command.end(), channels_.begin(), channels_.end());
    connection->Send(command);
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        connection->NextReply();  // one confirmation per channel
    }
    return connection;
}

void RedisSubscriber::Listen(std::unique_ptr<RedisConnection> connection)
{
    for (;;) {
        {
            const std::lock_guard lock(mutex_);
            if (stopping_) {
                return;
            }
            connection_ = connection.get();
        }
        try {
            for (;;) {
                const RedisReply reply = connection->NextReply();
                // ["message", channel, payload]
                if (reply.Size() == 3 && reply.Element(0).Text() == "message") {
                    onMessage_(reply.Element(1).Text().value_or(""), reply.Element(2).Text().value_or(""));
                }
            }
        } catch (const std::exception& error) {
            {
                const std::lock_guard lock(mutex_);
                connection_ = nullptr;
                if (stopping_) {
                    return;
                }
            }
            LogLine(std::string("Redis subscription lost, subscribing again: ") + error.what());
        }
        connection.reset();
        while (!connection) {
            std::this_thread::sleep_for(kReconnectPause);
            {
                const std::lock_guard lock(mutex_);
                if (stopping_) {
                    return;
                }
            }
            try {
                connection = Subscribe();
                LogLine("Redis subscription restored");
            } catch (const std::exception&) {
                // still unreachable; the loss has been logged
            }
        }
    }
}

}  // namespace mossquill::service
