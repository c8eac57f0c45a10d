#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

namespace mossquill::service {

// A count that only rises. Updating it is one relaxed atomic add.
class Counter {
public:
    void Add(std::uint64_t amount = 1) { value_.fetch_add(amount, std::memory_order_relaxed); }
    std::uint64_t Value() const { return value_.load(std::memory_order_relaxed); }

private:
    std::atomic<std::uint64_t> value_{0};
};

// A figure that goes up and down (open connections, live sessions).
class Gauge {
public:
    void Add(std::int64_t amount) { value_.fetch_add(amount, std::memory_order_relaxed); }
    std::int64_t Value() const { return value_.load(std::memory_order_relaxed); }

private:
    std::atomic<std::int64_t> value_{0};
};

// Durations in fixed buckets from 100 µs to 10 s; the sum is kept in microseconds.
class LatencyHistogram {
public:
    static constexpr std::array<double, 11> kBoundsSeconds = {0.0001, 0.0005, 0.001, 0.0025, 0.005, 0.01,
                                                              0.025,  0.05,   0.1,   1.0,    10.0};

    void Observe(std::chrono::steady_clock::duration elapsed);
    std::uint64_t Count() const { return count_.load(std::memory_order_relaxed); }
    // Observations at or below the bound of bucket i (not cumulative).
    std::uint64_t InBucket(std::size_t i) const { return buckets_[i].load(std::memory_order_relaxed); }
    double SumSeconds() const { return static_cast<double>(sumMicros_.load(std::memory_order_relaxed)) / 1e6; }

private:
    std::array<std::atomic<std::uint64_t>, kBoundsSeconds.size()> buckets_{};
    std::atomic<std::uint64_t> count_{0};
    std::atomic<std::uint64_t> sumMicros_{0};
};

// Times one call into a histogram; a call left by an exception also counts as an error.
class ScopedTiming {
public:
    ScopedTiming(LatencyHistogram& histogram, Counter& errors)
        : histogram_(histogram), errors_(errors), exceptions_(std::uncaught_exceptions()) {}
    ~ScopedTiming() {
        histogram_.Observe(std::chrono::steady_clock::now() - start_);
        if (std::uncaught_exceptions() > exceptions_) {
            errors_.Add();
        }
    }
    ScopedTiming(const ScopedTiming&) = delete;
    ScopedTiming& operator=(const ScopedTiming&) = delete;

private:
    LatencyHistogram& histogram_;
    Counter& errors_;
    int exceptions_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Why the service turned a client away; each is one label value of the refusals counter.
enum class Refusal : std::size_t {
    ConnectionLimit,  // connection caps (everybody, address, network)
    AuthFailures,     // failed authentications of the client's network
    Registrations,    // registration budgets
    ClaimFailures,    // failed-claim budgets
    Changes,          // profile changes, new codes and friend-list reads
    SessionStarts,    // live sessions started by a device
    LiveMessages,     // messages of a live session
    IdleKeepAlive,    // unauthenticated requests on one kept-alive connection
    Count
};

// Everything the service counts about itself, updated from any thread without a lock.
struct ServiceMetrics {
    Counter connectionsAccepted;
    Gauge connectionsOpen;
    Counter handshakes;
    Counter handshakeFailures;
    Gauge liveSessions;
    Counter liveSessionsStarted;
    Counter relayedMessages;
    LatencyHistogram relayLatency;
    std::array<Counter, static_cast<std::size_t>(Refusal::Count)> refusals;
    LatencyHistogram storageLatency;
    Counter storageErrors;
    Counter credentialsCached;
    LatencyHistogram redisLatency;
    Counter redisErrors;
    Counter logLinesDropped;

    void Refused(Refusal rule) { refusals[static_cast<std::size_t>(rule)].Add(); }
};

// The process's one set of figures.
ServiceMetrics& Metrics();

// The figures, and the process's own (CPU, memory, descriptors, start time), in the
// Prometheus text exposition format (version 0.0.4).
std::string MetricsExposition(const ServiceMetrics& metrics);

}  // namespace mossquill::service
