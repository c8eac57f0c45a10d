#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct redisContext;
struct redisReply;

namespace mossquill::service {

class RedisError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One reply of the server. Error replies never get here: they throw RedisError.
class RedisReply {
public:
    explicit RedisReply(redisReply* reply);

    bool IsNil() const;
    long long Integer() const;
    // A string reply; nothing for nil.
    std::optional<std::string> Text() const;
    std::size_t Size() const;  // elements of an array reply
    RedisReply Element(std::size_t index) const;

private:
    RedisReply(std::shared_ptr<redisReply> owner, const redisReply* element);

    std::shared_ptr<redisReply> owner_;
    const redisReply* reply_;
};

using RedisCommand = std::vector<std::string>;

// One synchronous connection to a Redis server. Arguments go over the wire as they are
// (never formatted into a command line), so any bytes are safe. After a network failure
// the connection is broken for good; the owner makes a new one.
class RedisConnection {
public:
    // Connects; an answer slower than `timeout` counts as a failure (none: wait for ever).
    RedisConnection(const std::string& host, unsigned short port, std::optional<std::chrono::milliseconds> timeout);
    ~RedisConnection();
    RedisConnection(const RedisConnection&) = delete;
    RedisConnection& operator=(const RedisConnection&) = delete;

    RedisReply Run(const RedisCommand& command);

    // Sends every command before reading the first answer: one round trip for all.
    std::vector<RedisReply> RunAll(const std::vector<RedisCommand>& commands);

    // As RunAll, but an error reply fails only its own command: nothing in its place.
    std::vector<std::optional<RedisReply>> RunEach(const std::vector<RedisCommand>& commands);

    // Sends without waiting; the answers are read with NextReply (subscriptions).
    void Send(const RedisCommand& command);
    RedisReply NextReply();

    bool Broken() const;

    // Any thread: ends a NextReply that is waiting, for a clean stop.
    void Interrupt();

private:
    // Sends every command, then reads every answer, even after an error reply, so the
    // connection stays in step; the first error reply is kept in `firstError`.
    std::vector<std::optional<RedisReply>> Exchange(const std::vector<RedisCommand>& commands,
                                                    std::optional<RedisError>& firstError);
    void Append(const RedisCommand& command);
    [[noreturn]] void Fail(const std::string& what);

    std::unique_ptr<redisContext, void (*)(redisContext*)> context_;
    bool broken_ = false;
};

}  // namespace mossquill::service
