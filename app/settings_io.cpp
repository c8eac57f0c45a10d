#include "core/calendar.h"
#include "app/pet_app.h"
#include "core/setting_names.h"

#include <algorithm>

namespace {

std::optional<int32_t> ReadInt(const SettingsStore& store, const wchar_t* name) {
    auto value = store.ReadDword(name);
    if (!value) return std::nullopt;
    return static_cast<int32_t>(*value);
}

DWORD AsDword(int32_t value) { return static_cast<DWORD>(value); }

}  // namespace

void PetApp::LoadSettings() {
    const SYSTEMTIME localNow = clock.LocalTime();
    const int32_t today = DayKeyOf(localNow);
    const int32_t thisWeek = WeekKeyOf(localNow);

    if (auto v = ReadInt(settings, setting::kEnergy)) energy = std::clamp(*v, 0, 100);
    if (auto v = ReadInt(settings, setting::kWeeklyWords)) weeklyWords = std::max(*v, 0);
    if (auto v = ReadInt(settings, setting::kTodayInput)) todayInput = std::max(*v, 0);

    auto typingDay = ReadInt(settings, setting::kTypingDayKey);
    if (!typingDay || *typingDay != today) StartNewDay(today);
    auto storedWeek = ReadInt(settings, setting::kWeekKey);
    if (!storedWeek || *storedWeek != thisWeek) StartNewWeek(thisWeek);

    const int level = WeeklyLevel(weeklyWords);
    if (auto v = ReadInt(settings, setting::kMaxUnlockedAppearance)) maxUnlockedAppearance = std::clamp(*v, 1, 3);
    maxUnlockedAppearance = std::max(maxUnlockedAppearance, level);

    if (auto v = ReadInt(settings, setting::kSelectedAppearance)) {
        selectedAppearance = *v < 0 ? 0 : std::min(*v, maxUnlockedAppearance);
    } else {
        selectedAppearance = level;
    }

    if (auto v = ReadInt(settings, setting::kPetSize); v && (*v == 175 || *v == 230 || *v == 285)) {
        petSize = *v;
    }

    if (auto mode = ReadInt(settings, setting::kMovementMode); mode && *mode >= 0 && *mode <= 3) {
        movementMode = *mode;
    } else if (auto walkingEnabled = ReadInt(settings, setting::kWalkingEnabled)) {
        movementMode = *walkingEnabled != 0 ? 1 : 0;
    }
    walking = movementMode == 1 || movementMode == 3;

    if (auto v = ReadInt(settings, setting::kAutoTypingEnabled)) autoTypingEnabled = *v != 0;
    if (auto v = ReadInt(settings, setting::kWaterIntervalMinutes)) {
        waterIntervalMinutes = (*v == 30 || *v == 45) ? *v : 0;
    }
    if (auto v = ReadInt(settings, setting::kLastBattleDay)) lastBattleDay = *v;
    if (auto v = ReadInt(settings, setting::kOffworkEnabled)) offworkEnabled = *v != 0;
    if (auto v = ReadInt(settings, setting::kOffworkHour)) offworkHour = std::clamp(*v, 0, 23);
    if (auto v = ReadInt(settings, setting::kOffworkMinute)) offworkMinute = std::clamp(*v, 0, 59);
    if (auto v = ReadInt(settings, setting::kLastOffworkDay)) lastOffworkDay = *v;
    if (auto v = ReadInt(settings, setting::kLastLateNightDay)) lastLateNightDay = *v;

    const uint64_t now = clock.Now();
    nextWaterTick = waterIntervalMinutes > 0 ? now + static_cast<uint64_t>(waterIntervalMinutes) * 60000 : 0;
    lastDecayTick = now;
    todayKey = today;
    weekKey = thisWeek;
    nextIdleCheckTick = now + kFirstIdleCheckDelayMs;
}

void PetApp::StartNewDay(int32_t today) {
    todayKey = today;
    todayInput = 0;
    settings.WriteSettingDword(setting::kTodayInput, 0);
    settings.WriteSettingDword(setting::kTypingDayKey, AsDword(today));
}

void PetApp::StartNewWeek(int32_t thisWeek) {
    weekKey = thisWeek;
    weeklyWords = 0;
    settings.WriteSettingDword(setting::kWeeklyWords, 0);
    settings.WriteSettingDword(setting::kWeekKey, AsDword(thisWeek));
}

void PetApp::SaveAll() {
    const SYSTEMTIME localNow = clock.LocalTime();
    settings.WriteSettingDword(setting::kEnergy, AsDword(energy));
    settings.WriteSettingDword(setting::kWeeklyWords, AsDword(weeklyWords));
    settings.WriteSettingDword(setting::kTodayInput, AsDword(todayInput));
    settings.WriteSettingDword(setting::kTypingDayKey, AsDword(DayKeyOf(localNow)));
    settings.WriteSettingDword(setting::kWeekKey, AsDword(WeekKeyOf(localNow)));
    settings.WriteSettingDword(setting::kMaxUnlockedAppearance, AsDword(maxUnlockedAppearance));
    settings.WriteSettingDword(setting::kSelectedAppearance, AsDword(selectedAppearance));
    settings.WriteSettingDword(setting::kPetSize, AsDword(petSize));
    settings.WriteSettingDword(setting::kWalkingEnabled, movementMode != 0 ? 1 : 0);
    settings.WriteSettingDword(setting::kMovementMode, AsDword(movementMode));
    settings.WriteSettingDword(setting::kAutoTypingEnabled, autoTypingEnabled ? 1 : 0);
    settings.WriteSettingDword(setting::kWaterIntervalMinutes, AsDword(waterIntervalMinutes));
    settings.WriteSettingDword(setting::kLastBattleDay, AsDword(lastBattleDay));
    settings.WriteSettingDword(setting::kOffworkEnabled, offworkEnabled ? 1 : 0);
    settings.WriteSettingDword(setting::kOffworkHour, AsDword(offworkHour));
    settings.WriteSettingDword(setting::kOffworkMinute, AsDword(offworkMinute));
    settings.WriteSettingDword(setting::kLastOffworkDay, AsDword(lastOffworkDay));
    settings.WriteSettingDword(setting::kLastLateNightDay, AsDword(lastLateNightDay));
}

void PetApp::SavePosition() {
    if (!hwnd || visitShowing) return;
    if (!awayFromHome) {
        RECT rect{};
        if (!GetWindowRect(hwnd, &rect)) return;
        homePosition = POINT{rect.left, rect.top};
    }
    settings.WriteSettingDword(setting::kPetX, AsDword(homePosition.x));
    settings.WriteSettingDword(setting::kPetY, AsDword(homePosition.y));
}
