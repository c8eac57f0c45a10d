#include "cluster/redis_rate_limiter.h"

#include "core/credentials.h"

namespace mossquill::service {
namespace {

// KEYS[1] the key's events; ARGV: now (ms), window (ms), limit, a unique member, mode.
// "check" answers whether there is room; "record" adds the event; "take" adds it only
// when there is room. Only the newest `limit` events can decide anything.
constexpr const char* kWindowScript = R"(
local now = tonumber(ARGV[1])
local window = tonumber(ARGV[2])
local limit = tonumber(ARGV[3])
redis.call('ZREMRANGEBYSCORE', KEYS[1], '-inf', now - window)
local count = redis.call('ZCARD', KEYS[1])
if ARGV[5] ~= 'record' and count >= limit then return 0 end
if ARGV[5] == 'check' then return 1 end
redis.call('ZADD', KEYS[1], now, ARGV[4])
if count + 1 > limit then redis.call('ZREMRANGEBYRANK', KEYS[1], 0, count - limit) end
redis.call('PEXPIRE', KEYS[1], window)
return 1
)";

// Events of one millisecond from several instances must stay distinct members.
std::string UniqueMember(TimePoint now) {
    static std::atomic<unsigned long long> counter{0};
    static const std::string process = NewDeviceId().substr(0, 12);
    return std::to_string(ToEpochMilliseconds(now)) + ":" + process + ":" + std::to_string(counter++);
}

}  // namespace

RedisWindowLimiter::RedisWindowLimiter(RedisClient& redis, std::string name, std::size_t limit,
                                       std::chrono::milliseconds window)
    : redis_(redis), prefix_("mossquill:limit:" + name + ":"), limit_(limit), window_(window), local_(limit, window) {}

bool RedisWindowLimiter::IsExhausted(const std::string& key, TimePoint now) {
    return limit_ != 0 && !Run("check", key, now);
}

void RedisWindowLimiter::Record(const std::string& key, TimePoint now) {
    if (limit_ != 0) {
        Run("record", key, now);
    }
}

bool RedisWindowLimiter::TryTake(const std::string& key, TimePoint now) { return limit_ == 0 || Run("take", key, now); }

bool RedisWindowLimiter::Run(const char* mode, const std::string& key, TimePoint now) {
    const std::string_view what = mode;
    bool room = false;
    try {
        room = redis_
                   .Run({"EVAL", kWindowScript, "1", prefix_ + key, std::to_string(ToEpochMilliseconds(now)),
                         std::to_string(window_.count()), std::to_string(limit_), UniqueMember(now), mode})
                   .Integer() == 1;
    } catch (const RedisError&) {
        // The client has logged the outage; this instance's own count decides meanwhile.
        if (what == "check") {
            return !local_.IsExhausted(key, now);
        }
        if (what == "take") {
            return local_.TryTake(key, now);
        }
        local_.Record(key, now);
        return true;
    }
    if (what == "record" || (what == "take" && room)) {
        local_.Record(key, now);
    }
    return room;
}

LimiterFactory RedisWindowLimiter::Factory(RedisClient& redis) {
    return [&redis](std::string_view name, std::size_t limit, std::chrono::milliseconds window) {
        return std::make_unique<RedisWindowLimiter>(redis, std::string(name), limit, window);
    };
}

}  // namespace mossquill::service
