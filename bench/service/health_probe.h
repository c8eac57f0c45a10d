// While Redis is stopped: asks every instance for its health once a second on a thread of its
// own, each answer bounded in time, so that a network thread of the service that waited on
// Redis shows as a missing answer.
#pragma once

#include "load_options.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace load {

inline constexpr auto kHealthProbeTimeout = std::chrono::seconds(2);

struct HealthAnswer {
    unsigned status = 0;  // 0: no answer within the time-out
    double ms = 0;
};

class HealthProber {
public:
    explicit HealthProber(const Options& options);
    ~HealthProber();

    void Stop();

    // Once stopped.
    const std::vector<HealthAnswer>& Answers() const { return answers_; }

private:
    void Run();

    const Options& options_;
    ssl::context tls_;
    std::atomic<bool> stopping_{false};
    std::vector<HealthAnswer> answers_;
    std::thread thread_;
};

}  // namespace load
