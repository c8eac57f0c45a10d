#include "core/calendar.h"

namespace {

constexpr ULONGLONG kFileTimeUnitsPerDay = 864000000000ULL;

}  // namespace

int32_t DayKeyOf(const SYSTEMTIME& localTime) {
    return localTime.wYear * 10000 + localTime.wMonth * 100 + localTime.wDay;
}

int32_t WeekKeyOf(const SYSTEMTIME& localTime) {
    // Noon keeps the day arithmetic clear of any boundary.
    SYSTEMTIME noon = localTime;
    noon.wHour = 12;
    noon.wMinute = 0;
    noon.wSecond = 0;
    noon.wMilliseconds = 0;
    FILETIME fileTime{};
    if (!SystemTimeToFileTime(&noon, &fileTime)) {
        return DayKeyOf(localTime);
    }
    ULARGE_INTEGER value{};
    value.LowPart = fileTime.dwLowDateTime;
    value.HighPart = fileTime.dwHighDateTime;
    const ULONGLONG daysSinceMonday = (localTime.wDayOfWeek + 6) % 7;  // Sunday is day 6
    value.QuadPart -= daysSinceMonday * kFileTimeUnitsPerDay;
    fileTime.dwLowDateTime = value.LowPart;
    fileTime.dwHighDateTime = value.HighPart;
    SYSTEMTIME monday{};
    if (!FileTimeToSystemTime(&fileTime, &monday)) {
        return DayKeyOf(localTime);
    }
    return DayKeyOf(monday);
}

int32_t TodayKey() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return DayKeyOf(now);
}

int32_t CurrentWeekKey() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return WeekKeyOf(now);
}

int WeeklyLevel(int32_t weeklyWords) {
    if (weeklyWords < 500) return 1;
    if (weeklyWords < 1000) return 2;
    return 3;
}
