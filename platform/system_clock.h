#pragma once

#include "core/clock.h"

#include <windows.h>

class SystemClock final : public Clock {
public:
    uint64_t Now() const override { return GetTickCount64(); }
    LocalDateTime LocalTime() const override {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    }
    std::optional<uint32_t> MillisecondsSinceLastInput() const override {
        LASTINPUTINFO info{sizeof(info), 0};
        if (!GetLastInputInfo(&info)) return std::nullopt;
        return GetTickCount() - info.dwTime;  // 32-bit arithmetic survives the wrap
    }
};
