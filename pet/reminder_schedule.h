#pragma once

#include "core/local_date_time.h"
#include "core/settings_store.h"

#include <cstdint>
#include <optional>

// Reminder values as stored; absent ones are nothing.
struct StoredReminders {
    std::optional<int32_t> waterIntervalMinutes;
    std::optional<int32_t> offworkEnabled;
    std::optional<int32_t> offworkHour;
    std::optional<int32_t> offworkMinute;
    std::optional<int32_t> lastOffworkDay;
    std::optional<int32_t> lastLateNightDay;
};

// When the pet reminds the user of something: water every 30 or 45 minutes, the off-work minute
// once a day, the late-night pose once a night from 23:00, and the idle check. Each check returns
// true when its reminder is due now and books the next one; days already served are stored.
class ReminderSchedule {
public:
    explicit ReminderSchedule(SettingsStore& settings) : settings_(settings) {}

    // The water interval counts from `now`, the first idle check comes 8 minutes after it.
    void Restore(const StoredReminders& stored, uint64_t now);

    // 30 or 45 minutes, anything else switches water reminders off; counts from `now`.
    void SetWaterInterval(int32_t minutes, uint64_t now);
    void SetOffwork(bool enabled, int32_t hour, int32_t minute);

    bool WaterDue(uint64_t now);
    bool OffworkDue(const LocalDateTime& localNow);
    // Only while the pet is free to take a pose.
    bool LateNightDue(const LocalDateTime& localNow, bool poseFree);
    // Every 5 minutes (30 after slacking) while the pet is free: due after 10 idle minutes. A
    // system that cannot tell counts as recent input; while the pet is busy it asks again each tick.
    bool IdleDue(uint64_t now, bool poseFree, std::optional<uint32_t> idleMs);

    int32_t waterIntervalMinutes() const { return waterIntervalMinutes_; }
    uint64_t nextWaterTick() const { return nextWaterTick_; }
    bool offworkEnabled() const { return offworkEnabled_; }
    int32_t offworkHour() const { return offworkHour_; }
    int32_t offworkMinute() const { return offworkMinute_; }
    int32_t lastOffworkDay() const { return lastOffworkDay_; }
    int32_t lastLateNightDay() const { return lastLateNightDay_; }
    uint64_t nextIdleCheckTick() const { return nextIdleCheckTick_; }

private:
    SettingsStore& settings_;
    int32_t waterIntervalMinutes_ = 45;
    uint64_t nextWaterTick_ = 0;
    bool offworkEnabled_ = false;
    int32_t offworkHour_ = 18;
    int32_t offworkMinute_ = 0;
    int32_t lastOffworkDay_ = 0;
    int32_t lastLateNightDay_ = 0;
    uint64_t nextIdleCheckTick_ = 0;
};
