#include "core/metrics.h"

#include <dirent.h>
#include <algorithm>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string_view>

namespace mossquill::service {
namespace {

constexpr std::array<std::string_view, static_cast<std::size_t>(Refusal::Count)> kRefusalRules = {
    "connection_limit", "auth_failures",  "registrations", "claim_failures",
    "changes",          "session_starts", "live_messages", "idle_keep_alive"};

std::string Number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

void Family(std::string& out, std::string_view name, std::string_view type, std::string_view help) {
    out.append("# HELP ").append(name).append(" ").append(help).append("\n");
    out.append("# TYPE ").append(name).append(" ").append(type).append("\n");
}

void Sample(std::string& out, std::string_view name, const std::string& value) {
    out.append(name).append(" ").append(value).append("\n");
}

void Scalar(std::string& out, std::string_view name, std::string_view type, std::string_view help,
            const std::string& value) {
    Family(out, name, type, help);
    Sample(out, name, value);
}

void Histogram(std::string& out, std::string_view name, std::string_view help, const LatencyHistogram& histogram) {
    Family(out, name, "histogram", help);
    // Read the count first: buckets observed later can only add, so no bucket exceeds +Inf.
    const std::uint64_t count = histogram.Count();
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i < LatencyHistogram::kBoundsSeconds.size(); ++i) {
        cumulative += histogram.InBucket(i);
        out.append(name).append("_bucket{le=\"").append(Number(LatencyHistogram::kBoundsSeconds[i])).append("\"} ");
        out.append(std::to_string(std::min(cumulative, count))).append("\n");
    }
    out.append(name).append("_bucket{le=\"+Inf\"} ").append(std::to_string(count)).append("\n");
    Sample(out, std::string(name) + "_sum", Number(histogram.SumSeconds()));
    Sample(out, std::string(name) + "_count", std::to_string(count));
}

// CPU seconds, resident bytes and start time from /proc/self/stat (fields 14, 15, 22, 24).
void ProcessFigures(std::string& out) {
    std::ifstream file("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto afterName = stat.rfind(')');
    if (afterName == std::string::npos) {
        return;
    }
    std::istringstream fields(stat.substr(afterName + 2));
    std::string field;
    double userTicks = 0, systemTicks = 0, startTicks = 0, residentPages = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) userTicks = std::stod(field);
        if (index == 15) systemTicks = std::stod(field);
        if (index == 22) startTicks = std::stod(field);
        if (index == 24) residentPages = std::stod(field);
    }
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    Scalar(out, "process_cpu_seconds_total", "counter", "User and system CPU time spent in seconds.",
           Number((userTicks + systemTicks) / ticks));
    Scalar(out, "process_resident_memory_bytes", "gauge", "Resident memory size in bytes.",
           Number(residentPages * static_cast<double>(sysconf(_SC_PAGESIZE))));

    double bootTime = 0;
    std::ifstream system("/proc/stat");
    for (std::string line; std::getline(system, line);) {
        if (line.starts_with("btime ")) {
            bootTime = std::stod(line.substr(6));
        }
    }
    Scalar(out, "process_start_time_seconds", "gauge", "Start time of the process since the Unix epoch in seconds.",
           Number(bootTime + startTicks / ticks));

    std::size_t descriptors = 0;
    if (DIR* directory = opendir("/proc/self/fd")) {
        while (readdir(directory) != nullptr) {
            ++descriptors;
        }
        closedir(directory);
    }
    Scalar(out, "process_open_fds", "gauge", "Number of open file descriptors.",
           std::to_string(descriptors >= 3 ? descriptors - 3 : 0));  // ".", ".." and the one being read
}

}  // namespace

void LatencyHistogram::Observe(std::chrono::steady_clock::duration elapsed) {
    const double seconds = std::chrono::duration<double>(elapsed).count();
    std::size_t bucket = 0;
    while (bucket < kBoundsSeconds.size() && seconds > kBoundsSeconds[bucket]) {
        ++bucket;
    }
    if (bucket < kBoundsSeconds.size()) {
        buckets_[bucket].fetch_add(1, std::memory_order_relaxed);
    }
    sumMicros_.fetch_add(
        static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()),
        std::memory_order_relaxed);
    count_.fetch_add(1, std::memory_order_relaxed);
}

ServiceMetrics& Metrics() {
    static ServiceMetrics metrics;
    return metrics;
}

std::string MetricsExposition(const ServiceMetrics& m) {
    std::string out;
    const auto count = [](const Counter& counter) { return std::to_string(counter.Value()); };
    const auto level = [](const Gauge& gauge) { return std::to_string(gauge.Value()); };
    Scalar(out, "mossquill_connections_accepted_total", "counter", "Connections admitted past the connection caps.",
           count(m.connectionsAccepted));
    Scalar(out, "mossquill_connections_open", "gauge", "Connections open now.", level(m.connectionsOpen));
    Scalar(out, "mossquill_tls_handshakes_total", "counter", "TLS handshakes completed.", count(m.handshakes));
    Scalar(out, "mossquill_tls_handshake_failures_total", "counter", "TLS handshakes that failed or timed out.",
           count(m.handshakeFailures));
    Scalar(out, "mossquill_live_sessions", "gauge", "Live sessions open now.", level(m.liveSessions));
    Scalar(out, "mossquill_live_sessions_started_total", "counter", "Live sessions opened.",
           count(m.liveSessionsStarted));
    Scalar(out, "mossquill_relayed_messages_total", "counter", "Visits and reactions handed to a friend's session.",
           count(m.relayedMessages));
    Histogram(out, "mossquill_relay_latency_seconds", "Time from receiving a visit or reaction to queuing it.",
              m.relayLatency);
    Family(out, "mossquill_refusals_total", "counter", "Clients turned away, by the rule that refused them.");
    for (std::size_t i = 0; i < kRefusalRules.size(); ++i) {
        out.append("mossquill_refusals_total{rule=\"").append(kRefusalRules[i]).append("\"} ");
        out.append(count(m.refusals[i])).append("\n");
    }
    Histogram(out, "mossquill_storage_request_duration_seconds", "Time the storage thread spent on one request.",
              m.storageLatency);
    Scalar(out, "mossquill_storage_errors_total", "counter", "Requests that failed in the database or found it away.",
           count(m.storageErrors));
    Scalar(out, "mossquill_credential_checks_cached_total", "counter",
           "Device credentials verified from memory, without a database read.", count(m.credentialsCached));
    Histogram(out, "mossquill_redis_command_duration_seconds", "Round trip of one Redis command.", m.redisLatency);
    Scalar(out, "mossquill_redis_errors_total", "counter", "Redis commands that failed or found Redis away.",
           count(m.redisErrors));
    Scalar(out, "mossquill_log_lines_dropped_total", "counter", "Log lines left out by the per-event throttle.",
           count(m.logLinesDropped));
    ProcessFigures(out);
    return out;
}

}  // namespace mossquill::service
