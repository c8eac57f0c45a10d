#include "core/log_line.h"

#include "core/metrics.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace mossquill::service {
namespace {

constexpr std::array<std::string_view, static_cast<std::size_t>(LogEvent::Count)> kEventNames = {
    "connection_refused", "tls_handshake_failed"};
constexpr std::uint64_t kLinesPerMinute = 20;
constexpr auto kThrottleWindow = std::chrono::minutes(1);

struct Throttle {
    std::chrono::steady_clock::time_point windowStart;
    std::uint64_t written = 0;
    std::uint64_t dropped = 0;
};

}  // namespace

void LogLine(std::string_view text)
{
    static std::mutex mutex;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char stamp[32];
    const std::size_t length = std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);
    std::string line(stamp, length);
    line += '.';
    line += static_cast<char>('0' + millis / 100);
    line += static_cast<char>('0' + millis / 10 % 10);
    line += static_cast<char>('0' + millis % 10);
    line += "Z ";
    line += text;
    line += '\n';
    const std::lock_guard lock(mutex);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void LogThrottled(LogEvent kind, std::string_view text)
{
    static std::mutex mutex;
    static std::array<Throttle, static_cast<std::size_t>(LogEvent::Count)> throttles;
    const std::string_view name = kEventNames[static_cast<std::size_t>(kind)];
    const auto now = std::chrono::steady_clock::now();
    std::uint64_t droppedBefore = 0;
    {
        const std::lock_guard lock(mutex);
        Throttle& throttle = throttles[static_cast<std::size_t>(kind)];
        if (now - throttle.windowStart >= kThrottleWindow) {
            droppedBefore = throttle.dropped;
            throttle = {now, 0, 0};
        }
        if (throttle.written >= kLinesPerMinute) {
            ++throttle.dropped;
            Metrics().logLinesDropped.Add();
            return;
        }
        ++throttle.written;
    }
    if (droppedBefore > 0) {
        LogLine("event=log_throttled kind=" + std::string(name) + " dropped=" + std::to_string(droppedBefore));
    }
    LogLine("event=" + std::string(name) + " " + std::string(text));
}

}  // namespace mossquill::service
