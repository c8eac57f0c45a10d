#pragma once

#include <chrono>

namespace mossquill::service {

using TimePoint = std::chrono::system_clock::time_point;

// Wall-clock time source; code expiry and rate limits read it so tests can move time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TimePoint Now() const = 0;
};

class SystemClock final : public Clock {
public:
    TimePoint Now() const override { return std::chrono::system_clock::now(); }
};

// Milliseconds since the Unix epoch, the form stored in the database.
inline long long ToEpochMilliseconds(TimePoint time) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

}  // namespace mossquill::service
