#pragma once

#include "core/local_date_time.h"

#include <cstdint>

// Day keys are local calendar days written as yyyymmdd; a week key is the day key of that
// week's Monday. Both drive the once-a-day and once-a-week rules.
int32_t DayKeyOf(const LocalDateTime& localTime);
int32_t WeekKeyOf(const LocalDateTime& localTime);

// Level 1 below 500 weekly points, 2 below 1000, else 3.
int WeeklyLevel(int32_t weeklyWords);
