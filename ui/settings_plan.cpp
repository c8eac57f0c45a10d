#include "ui/settings_plan.h"

#include "ui/clock_time.h"
#include "ui/prompt_questions.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr int32_t kPetSizes[] = {175, 230, 285};
constexpr int32_t kWaterMinutes[] = {0, 30, 45};
constexpr int32_t kLastMovementMode = 3;

int32_t IndexIn(const int32_t (&table)[3], int32_t value, int32_t otherwise) {
    const auto found = std::find(std::begin(table), std::end(table), value);
    return found == std::end(table) ? otherwise : static_cast<int32_t>(found - std::begin(table));
}

// Indexes out of range are clamped into the table.
int32_t PetSizeOfIndex(int32_t sizeIndex) { return kPetSizes[std::clamp(sizeIndex, 0, 2)]; }
int32_t WaterMinutesOfIndex(int32_t waterIndex) { return kWaterMinutes[std::clamp(waterIndex, 0, 2)]; }

}  // namespace

std::wstring SettingsPlan::NicknameToRegister() const {
    return nicknameText.empty() ? kFirstNicknameInitialText : nicknameText;
}

std::optional<std::wstring> SettingsPlan::NicknameUpdate(const std::wstring& storedNickname) const {
    if (nicknameText.empty() || nicknameText == storedNickname) return std::nullopt;
    return nicknameText;
}

SettingsState SettingsStateFor(const PetOptions& options) {
    SettingsState state;
    state.startWithWindows = options.startWithWindows;
    state.automaticCounting = options.autoTypingEnabled;
    state.online = options.networkEnabled;
    state.offworkReminder = options.offworkEnabled;
    // A size off the table shows as the medium one, an interval off the table as off.
    state.sizeIndex = IndexIn(kPetSizes, options.petSize, 1);
    state.movementIndex = options.movementMode;
    state.waterIndex = IndexIn(kWaterMinutes, options.waterIntervalMinutes, 0);
    state.offworkTimeText = FormatClockTime(options.offworkHour, options.offworkMinute);
    state.nicknameText = options.nickname.value_or(kFirstNicknameInitialText);
    return state;
}

SettingsPlan PlanSettings(const SettingsState& saved, const PetOptions& options) {
    SettingsPlan plan;
    plan.startWithWindows = saved.startWithWindows;
    const int32_t size = PetSizeOfIndex(saved.sizeIndex);
    if (size != options.petSize) plan.newPetSize = size;
    plan.movementMode = std::clamp(saved.movementIndex, 0, kLastMovementMode);
    plan.waterIntervalMinutes = WaterMinutesOfIndex(saved.waterIndex);
    plan.offworkEnabled = saved.offworkReminder;
    plan.offworkHour = options.offworkHour;
    plan.offworkMinute = options.offworkMinute;
    if (saved.offworkReminder) {
        if (const std::optional<ClockTime> time = ReadClockTime(saved.offworkTimeText)) {
            plan.offworkHour = time->hour;
            plan.offworkMinute = time->minute;
        }
    }
    plan.autoTypingEnabled = saved.automaticCounting;
    plan.online = saved.online;
    plan.nicknameText = saved.nicknameText;
    plan.returnToCorner = saved.defaultsRestored;
    return plan;
}
