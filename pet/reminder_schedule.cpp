#include "pet/reminder_schedule.h"

#include "core/calendar.h"
#include "core/setting_names.h"

#include <algorithm>

namespace {

constexpr uint64_t kFirstIdleCheckDelayMs = 480000;
constexpr uint32_t kIdleThresholdMs = 600000;
constexpr uint64_t kIdleRecheckMs = 300000;
constexpr uint64_t kIdleRecheckAfterSlackingMs = 1800000;
constexpr int kLateNightHour = 23;

bool IsWaterInterval(int32_t minutes) { return minutes == 30 || minutes == 45; }

}  // namespace

void ReminderSchedule::Restore(const StoredReminders& stored, uint64_t now) {
    SetWaterInterval(stored.waterIntervalMinutes.value_or(waterIntervalMinutes_), now);
    offworkEnabled_ = stored.offworkEnabled.value_or(0) != 0;
    offworkHour_ = std::clamp(stored.offworkHour.value_or(offworkHour_), 0, 23);
    offworkMinute_ = std::clamp(stored.offworkMinute.value_or(offworkMinute_), 0, 59);
    lastOffworkDay_ = stored.lastOffworkDay.value_or(0);
    lastLateNightDay_ = stored.lastLateNightDay.value_or(0);
    nextIdleCheckTick_ = now + kFirstIdleCheckDelayMs;
}

void ReminderSchedule::SetWaterInterval(int32_t minutes, uint64_t now) {
    waterIntervalMinutes_ = IsWaterInterval(minutes) ? minutes : 0;
    nextWaterTick_ = waterIntervalMinutes_ > 0 ? now + static_cast<uint64_t>(waterIntervalMinutes_) * 60000 : 0;
}

void ReminderSchedule::SetOffwork(bool enabled, int32_t hour, int32_t minute) {
    offworkEnabled_ = enabled;
    offworkHour_ = std::clamp(hour, 0, 23);
    offworkMinute_ = std::clamp(minute, 0, 59);
}

bool ReminderSchedule::WaterDue(uint64_t now) {
    if (waterIntervalMinutes_ <= 0 || nextWaterTick_ == 0 || now < nextWaterTick_) return false;
    // Counted from the firing, and booked before the box opens so it cannot fire again meanwhile.
    nextWaterTick_ = now + static_cast<uint64_t>(waterIntervalMinutes_) * 60000;
    return true;
}

bool ReminderSchedule::OffworkDue(const LocalDateTime& localNow) {
    const int32_t today = DayKeyOf(localNow);
    if (!offworkEnabled_ || lastOffworkDay_ == today || localNow.hour != offworkHour_ ||
        localNow.minute != offworkMinute_) {
        return false;
    }
    lastOffworkDay_ = today;
    settings_.WriteSettingDword(setting::kLastOffworkDay, static_cast<uint32_t>(today));
    return true;
}

bool ReminderSchedule::LateNightDue(const LocalDateTime& localNow, bool poseFree) {
    const int32_t today = DayKeyOf(localNow);
    if (localNow.hour < kLateNightHour || lastLateNightDay_ == today || !poseFree) return false;
    lastLateNightDay_ = today;
    settings_.WriteSettingDword(setting::kLastLateNightDay, static_cast<uint32_t>(today));
    return true;
}

bool ReminderSchedule::IdleDue(uint64_t now, bool poseFree, std::optional<uint32_t> idleMs) {
    if (now < nextIdleCheckTick_ || !poseFree) return false;
    const bool idle = idleMs && *idleMs >= kIdleThresholdMs;
    nextIdleCheckTick_ = now + (idle ? kIdleRecheckAfterSlackingMs : kIdleRecheckMs);
    return idle;
}
