#pragma once

#include "core/clock.h"

// A clock the test moves by hand: ticks and local calendar time advance together.
class FakeClock final : public Clock {
public:
    FakeClock(int year, int month, int day, int hour = 12, int minute = 0) { SetLocal(year, month, day, hour, minute); }

    uint64_t Now() const override { return tick_; }
    SYSTEMTIME LocalTime() const override { return local_; }
    std::optional<uint32_t> MillisecondsSinceLastInput() const override { return idleMs; }

    void SetLocal(int year, int month, int day, int hour = 12, int minute = 0) {
        SYSTEMTIME time{};
        time.wYear = static_cast<WORD>(year);
        time.wMonth = static_cast<WORD>(month);
        time.wDay = static_cast<WORD>(day);
        time.wHour = static_cast<WORD>(hour);
        time.wMinute = static_cast<WORD>(minute);
        FILETIME fileTime{};
        SystemTimeToFileTime(&time, &fileTime);
        FileTimeToSystemTime(&fileTime, &local_);  // fills in the day of the week
    }

    void Advance(uint64_t ms) {
        tick_ += ms;
        FILETIME fileTime{};
        SystemTimeToFileTime(&local_, &fileTime);
        ULARGE_INTEGER value{};
        value.LowPart = fileTime.dwLowDateTime;
        value.HighPart = fileTime.dwHighDateTime;
        value.QuadPart += ms * 10000;
        fileTime.dwLowDateTime = value.LowPart;
        fileTime.dwHighDateTime = value.HighPart;
        FileTimeToSystemTime(&fileTime, &local_);
    }

    // What the system reports as the time since the last user input.
    std::optional<uint32_t> idleMs = 0;

private:
    uint64_t tick_ = 1'000'000;
    SYSTEMTIME local_{};
};
