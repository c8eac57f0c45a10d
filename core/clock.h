#pragma once

#include "core/local_date_time.h"

#include <cstdint>
#include <optional>

// The one way the pet's rules learn the time, so tests can live through days in milliseconds.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds of a monotonic tick counter.
    virtual uint64_t Now() const = 0;
    virtual LocalDateTime LocalTime() const = 0;
    // How long the user has not touched keyboard or mouse; nothing when the system cannot say.
    virtual std::optional<uint32_t> MillisecondsSinceLastInput() const = 0;
};
