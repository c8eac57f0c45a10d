#pragma once

#include "core/clock.h"

#include <atomic>
#include <chrono>

namespace mossquill::service::testing {

// A clock that moves only when the test says so; read from the server's thread.
class ManualClock final : public Clock {
public:
    ManualClock() : now_(std::chrono::system_clock::now()) {}

    TimePoint Now() const override { return now_.load(); }
    void Advance(std::chrono::milliseconds step) { now_ = now_.load() + step; }

private:
    std::atomic<TimePoint> now_;
};

}  // namespace mossquill::service::testing
