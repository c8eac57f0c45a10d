#include "app/calendar.h"
#include "app/pet_app.h"
#include "app/setting_names.h"

#include <algorithm>

void PetApp::OnFrameTimer() {
    if (visitShowing) {
        RenderFrame();
        return;
    }
    CutInFadeStep(clock.Now());
    MovementStep();
    RenderFrame();
}

void PetApp::OnClockTimer() {
    const uint64_t now = clock.Now();
    const SYSTEMTIME localNow = clock.LocalTime();

    if (const int32_t today = DayKeyOf(localNow); today != todayKey) {
        todayKey = today;
        todayInput = 0;
        settings.WriteSettingDword(setting::kTodayInput, 0);
        settings.WriteSettingDword(setting::kTypingDayKey, static_cast<DWORD>(todayKey));
    }
    if (const int32_t thisWeek = WeekKeyOf(localNow); thisWeek != weekKey) {
        weekKey = thisWeek;
        weeklyWords = 0;
        settings.WriteSettingDword(setting::kWeeklyWords, 0);
        settings.WriteSettingDword(setting::kWeekKey, static_cast<DWORD>(weekKey));
    }

    const uint64_t elapsed = now - lastDecayTick;
    if (now >= lastDecayTick && elapsed >= kEnergyDecayStepMs) {
        const uint64_t steps = elapsed / kEnergyDecayStepMs;
        energy = static_cast<int32_t>(std::max<int64_t>(0, energy - static_cast<int64_t>(std::min<uint64_t>(steps, 100))));
        lastDecayTick += steps * kEnergyDecayStepMs;
        settings.WriteSettingDword(setting::kEnergy, static_cast<DWORD>(energy));
    }
}
