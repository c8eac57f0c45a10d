#pragma once

#include <cstdint>

// A local calendar date and time of day, as the clock reads it.
struct LocalDateTime {
    int32_t year = 2000;
    int32_t month = 1;  // 1..12
    int32_t day = 1;    // 1..31
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
};
