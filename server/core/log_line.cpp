#include "core/log_line.h"

#include "core/metrics.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace mossquill::service {
namespace {

constexpr std::array<std::string_view, static_cast<std::size_t>(ThrottledEvent::Count)> kThrottledNames = {
    "connection_refused", "tls_handshake_failed"};
constexpr std::uint64_t kLinesPerMinute = 20;
constexpr auto kThrottleWindow = std::chrono::minutes(1);

struct Throttle {
    std::chrono::steady_clock::time_point windowStart;
    std::uint64_t written = 0;
    std::uint64_t dropped = 0;
};

void AppendValue(std::string& line, std::string_view value) {
    const bool quoted = value.empty() || value.find_first_of(" =\"") != std::string_view::npos;
    if (quoted) {
        line += '"';
    }
    for (const char c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            line += ' ';
        } else {
            if (quoted && (c == '"' || c == '\\')) {
                line += '\\';
            }
            line += c;
        }
    }
    if (quoted) {
        line += '"';
    }
}

void Write(std::string line) {
    static std::mutex mutex;
    line += '\n';
    const std::lock_guard lock(mutex);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

std::string Stamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char stamp[40];
    const std::size_t length = std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(stamp + length, sizeof stamp - length, ".%03dZ", static_cast<int>(millis));
    return stamp;
}

}  // namespace

void LogEvent(std::string_view event, std::initializer_list<LogField> fields) {
    std::string line = Stamp();
    line += " event=";
    AppendValue(line, event);
    for (const auto& [key, value] : fields) {
        if (value.empty()) {
            continue;
        }
        line += ' ';
        line += key;
        line += '=';
        AppendValue(line, value);
    }
    Write(std::move(line));
}

void LogThrottled(ThrottledEvent kind, std::initializer_list<LogField> fields) {
    static std::mutex mutex;
    static std::array<Throttle, static_cast<std::size_t>(ThrottledEvent::Count)> throttles;
    const std::string_view name = kThrottledNames[static_cast<std::size_t>(kind)];
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
        LogEvent("log_throttled", {{"kind", name}, {"dropped", std::to_string(droppedBefore)}});
    }
    LogEvent(name, fields);
}

}  // namespace mossquill::service
