#include "cluster/redis_connection.h"

#include "core/metrics.h"

#include <hiredis/hiredis.h>

#include <sys/socket.h>

namespace mossquill::service {
namespace {

timeval ToTimeval(std::chrono::milliseconds duration) {
    return {static_cast<time_t>(duration.count() / 1000), static_cast<suseconds_t>(duration.count() % 1000 * 1000)};
}

constexpr auto kConnectTimeout = std::chrono::seconds(5);

}  // namespace

RedisReply::RedisReply(redisReply* reply) : owner_(reply, freeReplyObject), reply_(reply) {
    if (reply_->type == REDIS_REPLY_ERROR) {
        throw RedisError("Redis: " + std::string(reply_->str, reply_->len));
    }
}

RedisReply::RedisReply(std::shared_ptr<redisReply> owner, const redisReply* element)
    : owner_(std::move(owner)), reply_(element) {
    if (reply_->type == REDIS_REPLY_ERROR) {
        throw RedisError("Redis: " + std::string(reply_->str, reply_->len));
    }
}

bool RedisReply::IsNil() const { return reply_->type == REDIS_REPLY_NIL; }

long long RedisReply::Integer() const {
    if (reply_->type != REDIS_REPLY_INTEGER) {
        throw RedisError("Redis: a number was expected");
    }
    return reply_->integer;
}

std::optional<std::string> RedisReply::Text() const {
    if (reply_->type == REDIS_REPLY_NIL) {
        return std::nullopt;
    }
    if (reply_->type != REDIS_REPLY_STRING && reply_->type != REDIS_REPLY_STATUS) {
        throw RedisError("Redis: a string was expected");
    }
    return std::string(reply_->str, reply_->len);
}

std::size_t RedisReply::Size() const { return reply_->type == REDIS_REPLY_ARRAY ? reply_->elements : 0; }

RedisReply RedisReply::Element(std::size_t index) const {
    if (index >= Size()) {
        throw RedisError("Redis: a shorter answer than expected");
    }
    return RedisReply(owner_, reply_->element[index]);
}

RedisConnection::RedisConnection(const std::string& host, unsigned short port,
                                 std::optional<std::chrono::milliseconds> timeout)
    : context_(redisConnectWithTimeout(host.c_str(), port, ToTimeval(kConnectTimeout)), redisFree) {
    const std::string where = host + ":" + std::to_string(port);
    if (!context_) {
        throw RedisError("Redis " + where + ": out of memory");
    }
    if (context_->err != 0) {
        throw RedisError("Redis " + where + ": " + context_->errstr);
    }
    if (timeout && redisSetTimeout(context_.get(), ToTimeval(*timeout)) != REDIS_OK) {
        throw RedisError("Redis " + where + ": cannot set the time-out");
    }
    // A peer that vanishes without a word is noticed instead of waited for.
    redisEnableKeepAlive(context_.get());
}

RedisConnection::~RedisConnection() = default;

RedisReply RedisConnection::Run(const RedisCommand& command) {
    const ScopedTiming timing(Metrics().redisLatency, Metrics().redisErrors);
    Append(command);
    return NextReply();
}

std::vector<RedisReply> RedisConnection::RunAll(const std::vector<RedisCommand>& commands) {
    const ScopedTiming timing(Metrics().redisLatency, Metrics().redisErrors);
    std::optional<RedisError> firstError;
    std::vector<std::optional<RedisReply>> answers = Exchange(commands, firstError);
    if (firstError) {
        throw *firstError;
    }
    std::vector<RedisReply> replies;
    replies.reserve(answers.size());
    for (auto& answer : answers) {
        replies.push_back(std::move(*answer));
    }
    return replies;
}

std::vector<std::optional<RedisReply>> RedisConnection::RunEach(const std::vector<RedisCommand>& commands) {
    const ScopedTiming timing(Metrics().redisLatency, Metrics().redisErrors);
    std::optional<RedisError> firstError;
    return Exchange(commands, firstError);
}

std::vector<std::optional<RedisReply>> RedisConnection::Exchange(const std::vector<RedisCommand>& commands,
                                                                 std::optional<RedisError>& firstError) {
    for (const auto& command : commands) {
        Append(command);
    }
    std::vector<std::optional<RedisReply>> replies;
    replies.reserve(commands.size());
    for (std::size_t i = 0; i < commands.size(); ++i) {
        try {
            replies.emplace_back(NextReply());
        } catch (const RedisError& error) {
            if (broken_) {
                throw;
            }
            if (!firstError) {
                firstError.emplace(error);
            }
            replies.emplace_back();
        }
    }
    return replies;
}

void RedisConnection::Send(const RedisCommand& command) {
    Append(command);
    // Flush at once: the caller is about to wait for pushed messages.
    int done = 0;
    while (done == 0) {
        if (redisBufferWrite(context_.get(), &done) != REDIS_OK) {
            Fail("write");
        }
    }
}

RedisReply RedisConnection::NextReply() {
    if (broken_) {
        throw RedisError("Redis: connection lost");
    }
    void* reply = nullptr;
    if (redisGetReply(context_.get(), &reply) != REDIS_OK || reply == nullptr) {
        Fail("read");
    }
    return RedisReply(static_cast<redisReply*>(reply));
}

bool RedisConnection::Broken() const { return broken_; }

void RedisConnection::Interrupt() { shutdown(context_->fd, SHUT_RDWR); }

void RedisConnection::Append(const RedisCommand& command) {
    if (broken_) {
        throw RedisError("Redis: connection lost");
    }
    std::vector<const char*> arguments;
    std::vector<std::size_t> lengths;
    for (const auto& argument : command) {
        arguments.push_back(argument.data());
        lengths.push_back(argument.size());
    }
    if (redisAppendCommandArgv(context_.get(), static_cast<int>(arguments.size()), arguments.data(), lengths.data()) !=
        REDIS_OK) {
        Fail("command");
    }
}

void RedisConnection::Fail(const std::string& what) {
    broken_ = true;
    throw RedisError("Redis " + what + " failed: " + (context_->err != 0 ? context_->errstr : "no answer"));
}

}  // namespace mossquill::service
