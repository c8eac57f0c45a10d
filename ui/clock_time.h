#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A time of day as the settings centre shows it: "18:30".
struct ClockTime {
    int32_t hour = 0;
    int32_t minute = 0;
};

// "%02d:%02d".
std::wstring FormatClockTime(int32_t hour, int32_t minute);
// How many of the two numbers of "%d:%d" the text gives (swscanf); only 2 is a time.
int ParseClockTime(const std::wstring& text, int32_t& hour, int32_t& minute);
// The time when the text gives both numbers with hour 0..23 and minute 0..59.
std::optional<ClockTime> ReadClockTime(const std::wstring& text);
