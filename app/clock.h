#pragma once

#include <windows.h>

#include <cstdint>

// The one way the pet's rules learn the time, so tests can live through days in milliseconds.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds of GetTickCount64.
    virtual uint64_t Now() const = 0;
    virtual SYSTEMTIME LocalTime() const = 0;
};

class SystemClock final : public Clock {
public:
    uint64_t Now() const override { return GetTickCount64(); }
    SYSTEMTIME LocalTime() const override {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return now;
    }
};
