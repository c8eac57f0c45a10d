#include "core/calendar.h"

#include <chrono>

int32_t DayKeyOf(const LocalDateTime& localTime) {
    return localTime.year * 10000 + localTime.month * 100 + localTime.day;
}

int32_t WeekKeyOf(const LocalDateTime& localTime) {
    using namespace std::chrono;
    const year_month_day date{year{localTime.year} / static_cast<unsigned>(localTime.month) /
                              static_cast<unsigned>(localTime.day)};
    if (!date.ok()) return DayKeyOf(localTime);
    const sys_days day{date};
    const unsigned daysSinceMonday = (weekday{day}.c_encoding() + 6) % 7;  // Sunday is day 6
    const year_month_day monday{day - days{daysSinceMonday}};
    return static_cast<int32_t>(monday.year()) * 10000 +
           static_cast<int32_t>(static_cast<unsigned>(monday.month())) * 100 +
           static_cast<int32_t>(static_cast<unsigned>(monday.day()));
}

int WeeklyLevel(int32_t weeklyWords) {
    if (weeklyWords < 500) return 1;
    if (weeklyWords < 1000) return 2;
    return 3;
}
