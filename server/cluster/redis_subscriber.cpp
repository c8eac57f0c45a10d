#include "cluster/redis_subscriber.h"

#include "core/log_line.h"

#include <chrono>

namespace mossquill::service {
namespace {

constexpr auto kReconnectPause = std::chrono::seconds(1);

}  // namespace

RedisSubscriber::RedisSubscriber(RedisClient& redis, std::vector<std::string> channels,
                                 std::vector<std::string> patterns, std::function<void()> prepare, Handler onMessage)
    : redis_(redis),
      channels_(std::move(channels)),
      patterns_(std::move(patterns)),
      prepare_(std::move(prepare)),
      onMessage_(std::move(onMessage)) {}

RedisSubscriber::~RedisSubscriber() { Stop(); }

void RedisSubscriber::Start() {
    auto connection = Subscribe();
    thread_ = std::thread([this, connection = std::move(connection)]() mutable { Listen(std::move(connection)); });
}

void RedisSubscriber::Stop() {
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

std::unique_ptr<RedisConnection> RedisSubscriber::Subscribe() {
    prepare_();
    auto connection = redis_.OpenDedicated();
    for (const auto& [verb, names] : {std::pair{"SUBSCRIBE", &channels_}, std::pair{"PSUBSCRIBE", &patterns_}}) {
        if (names->empty()) {
            continue;
        }
        RedisCommand command = {verb};
        command.insert(command.end(), names->begin(), names->end());
        connection->Send(command);
        for (std::size_t i = 0; i < names->size(); ++i) {
            connection->NextReply();  // one confirmation each
        }
    }
    return connection;
}

void RedisSubscriber::Listen(std::unique_ptr<RedisConnection> connection) {
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
                // ["message", channel, payload] or ["pmessage", pattern, channel, payload]
                const std::size_t size = reply.Size();
                const auto kind = size > 0 ? reply.Element(0).Text() : std::nullopt;
                if ((size == 3 && kind == "message") || (size == 4 && kind == "pmessage")) {
                    onMessage_(reply.Element(size - 2).Text().value_or(""),
                               reply.Element(size - 1).Text().value_or(""));
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
            LogEvent("redis_subscription_lost",
                     {{"error", error.what()},
                      {"retry_in_ms", std::to_string(std::chrono::milliseconds(kReconnectPause).count())}});
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
                LogEvent("redis_subscription_restored", {});
            } catch (const std::exception&) {
                // still unreachable; the loss has been logged
            }
        }
    }
}

}  // namespace mossquill::service
