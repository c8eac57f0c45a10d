// The pet's persisted state: every stored value is read at start-up and written at the end here.
// Operations store what they change at once through their components.
#include "app/pet_app.h"

#include "core/setting_names.h"

namespace {

std::optional<int32_t> ReadInt(const SettingsStore& store, const wchar_t* name) {
    auto value = store.ReadDword(name);
    if (!value) return std::nullopt;
    return static_cast<int32_t>(*value);
}

DWORD AsDword(int32_t value) { return static_cast<DWORD>(value); }

}  // namespace

StoredMovement PetApp::ReadStoredMovement() const {
    return StoredMovement{ReadInt(settings_, setting::kPetSize), ReadInt(settings_, setting::kMovementMode),
                          ReadInt(settings_, setting::kWalkingEnabled), ReadInt(settings_, setting::kPetX),
                          ReadInt(settings_, setting::kPetY)};
}

void PetApp::LoadSettings() {
    const LocalDateTime localNow = clock_.LocalTime();
    const uint64_t now = clock_.Now();
    const SettingsStore& store = settings_;

    vitals_.Restore(ReadInt(store, setting::kEnergy).value_or(kFullEnergy),
                    ReadInt(store, setting::kLastBattleDay).value_or(0), now);
    StoredGrowth growth;
    growth.weeklyWords = ReadInt(store, setting::kWeeklyWords);
    growth.todayInput = ReadInt(store, setting::kTodayInput);
    growth.typingDayKey = ReadInt(store, setting::kTypingDayKey);
    growth.weekKey = ReadInt(store, setting::kWeekKey);
    growth.maxUnlockedAppearance = ReadInt(store, setting::kMaxUnlockedAppearance);
    growth.selectedAppearance = ReadInt(store, setting::kSelectedAppearance);
    growth.autoTypingEnabled = ReadInt(store, setting::kAutoTypingEnabled).value_or(0) != 0;
    growth_.Restore(growth, localNow);
    movement_.Restore(ReadStoredMovement());
    fullScreen_.SetEnabled(ReadInt(store, setting::kHideWhenFullScreen).value_or(1) != 0);
    reminders_.Restore(
        StoredReminders{ReadInt(store, setting::kWaterIntervalMinutes), ReadInt(store, setting::kOffworkEnabled),
                        ReadInt(store, setting::kOffworkHour), ReadInt(store, setting::kOffworkMinute),
                        ReadInt(store, setting::kLastOffworkDay), ReadInt(store, setting::kLastLateNightDay)},
        now);
}

void PetApp::SaveAll() {
    settings_.WriteSettingDword(setting::kEnergy, AsDword(vitals_.energy()));
    // The totals go under the day and week they were counted in, which need not be today's.
    settings_.WriteSettingDword(setting::kWeeklyWords, AsDword(growth_.weeklyWords()));
    settings_.WriteSettingDword(setting::kTodayInput, AsDword(growth_.todayInput()));
    settings_.WriteSettingDword(setting::kTypingDayKey, AsDword(growth_.todayKey()));
    settings_.WriteSettingDword(setting::kWeekKey, AsDword(growth_.weekKey()));
    settings_.WriteSettingDword(setting::kMaxUnlockedAppearance, AsDword(growth_.maxUnlockedAppearance()));
    settings_.WriteSettingDword(setting::kSelectedAppearance, AsDword(growth_.selectedAppearance()));
    settings_.WriteSettingDword(setting::kPetSize, AsDword(movement_.petSize()));
    settings_.WriteSettingDword(setting::kWalkingEnabled, movement_.mode() != MOVEMENT_STILL ? 1 : 0);
    settings_.WriteSettingDword(setting::kMovementMode, AsDword(movement_.mode()));
    settings_.WriteSettingDword(setting::kAutoTypingEnabled, growth_.autoTypingEnabled() ? 1 : 0);
    settings_.WriteSettingDword(setting::kWaterIntervalMinutes, AsDword(reminders_.waterIntervalMinutes()));
    settings_.WriteSettingDword(setting::kLastBattleDay, AsDword(vitals_.lastBattleDay()));
    settings_.WriteSettingDword(setting::kOffworkEnabled, reminders_.offworkEnabled() ? 1 : 0);
    settings_.WriteSettingDword(setting::kOffworkHour, AsDword(reminders_.offworkHour()));
    settings_.WriteSettingDword(setting::kOffworkMinute, AsDword(reminders_.offworkMinute()));
    settings_.WriteSettingDword(setting::kLastOffworkDay, AsDword(reminders_.lastOffworkDay()));
    settings_.WriteSettingDword(setting::kLastLateNightDay, AsDword(reminders_.lastLateNightDay()));
}

void PetApp::SavePosition() {
    if (!window() || visitShowing_) return;
    movement_.SavePosition();
}
