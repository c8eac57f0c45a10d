#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

// The one way the pet's rules learn the time, so tests can live through days in milliseconds.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds of GetTickCount64.
    virtual uint64_t Now() const = 0;
    virtual SYSTEMTIME LocalTime() const = 0;
    // How long the user has not touched keyboard or mouse; nothing when the system cannot say.
    virtual std::optional<uint32_t> MillisecondsSinceLastInput() const = 0;
};

class SystemClock final : public Clock {
public:
    uint64_t Now() const override { return GetTickCount64(); }
    SYSTEMTIME LocalTime() const override {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return now;
    }
    std::optional<uint32_t> MillisecondsSinceLastInput() const override {
        LASTINPUTINFO info{sizeof(info), 0};
        if (!GetLastInputInfo(&info)) return std::nullopt;
        return GetTickCount() - info.dwTime;  // 32-bit arithmetic survives the wrap
    }
};
