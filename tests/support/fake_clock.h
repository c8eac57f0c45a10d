#pragma once

#include "core/clock.h"

#include <chrono>

// A clock the test moves by hand: ticks and local calendar time advance together.
class FakeClock final : public Clock {
public:
    FakeClock(int year, int month, int day, int hour = 12, int minute = 0) { SetLocal(year, month, day, hour, minute); }

    uint64_t Now() const override { return tick_; }
    LocalDateTime LocalTime() const override {
        using namespace std::chrono;
        const sys_days day = floor<days>(local_);
        const year_month_day date{day};
        const hh_mm_ss time{floor<seconds>(local_ - day)};
        return {static_cast<int32_t>(date.year()),
                static_cast<int32_t>(static_cast<unsigned>(date.month())),
                static_cast<int32_t>(static_cast<unsigned>(date.day())),
                static_cast<int32_t>(time.hours().count()),
                static_cast<int32_t>(time.minutes().count()),
                static_cast<int32_t>(time.seconds().count())};
    }
    std::optional<uint32_t> MillisecondsSinceLastInput() const override { return idleMs; }

    void SetLocal(int year, int month, int day, int hour = 12, int minute = 0) {
        using namespace std::chrono;
        local_ = sys_days{std::chrono::year{year} / month / day} + hours{hour} + minutes{minute};
    }

    void Advance(uint64_t ms) {
        tick_ += ms;
        local_ += std::chrono::milliseconds{ms};
    }

    // What the system reports as the time since the last user input.
    std::optional<uint32_t> idleMs = 0;

private:
    uint64_t tick_ = 1'000'000;
    // Local time kept on the system clock's calendar, which has no time zone to shift it.
    std::chrono::sys_time<std::chrono::milliseconds> local_{};
};
