#include "ui/clock_time.h"

#include <cwchar>
#include <iterator>

std::wstring FormatClockTime(int32_t hour, int32_t minute) {
    // Room for two full 32-bit numbers: stored values are clamped, but nothing here relies on it.
    wchar_t text[32] = {};
    std::swprintf(text, std::size(text), L"%02d:%02d", static_cast<int>(hour), static_cast<int>(minute));
    return text;
}

int ParseClockTime(const std::wstring& text, int32_t& hour, int32_t& minute) {
    int h = 0;
    int m = 0;
    const int count = std::swscanf(text.c_str(), L"%d:%d", &h, &m);
    if (count >= 1) hour = h;
    if (count == 2) minute = m;
    return count;
}

std::optional<ClockTime> ReadClockTime(const std::wstring& text) {
    ClockTime time;
    if (ParseClockTime(text, time.hour, time.minute) != 2) return std::nullopt;
    if (time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59) return std::nullopt;
    return time;
}
