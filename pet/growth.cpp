#include "pet/growth.h"

#include "core/calendar.h"
#include "core/setting_names.h"
#include "motion/pose.h"

#include <algorithm>
#include <cerrno>
#include <cwchar>

namespace {

constexpr int32_t kActivityCeiling = 2'000'000'000;
constexpr int kHighestAppearance = 3;

bool CrossedALevel(int32_t before, int32_t after) {
    return (before < 500 && after >= 500) || (before >= 500 && before < 1000 && after >= 1000);
}

int32_t CappedSum(int32_t total, int32_t points) {
    return static_cast<int32_t>(std::min<int64_t>(int64_t{total} + points, kActivityCeiling));
}

}  // namespace

void Growth::Restore(const StoredGrowth& stored, const LocalDateTime& localNow) {
    weeklyWords_ = std::max(stored.weeklyWords.value_or(0), 0);
    todayInput_ = std::max(stored.todayInput.value_or(0), 0);
    todayKey_ = stored.typingDayKey.value_or(0);
    weekKey_ = stored.weekKey.value_or(0);
    RollOver(localNow);

    maxUnlockedAppearance_ =
        std::max(std::clamp(stored.maxUnlockedAppearance.value_or(1), 1, kHighestAppearance), level());
    if (stored.selectedAppearance) {
        selectedAppearance_ = std::clamp(*stored.selectedAppearance, 0, maxUnlockedAppearance_);
    } else {
        selectedAppearance_ = level();
    }
    autoTypingEnabled_ = stored.autoTypingEnabled;
}

bool Growth::RollOver(const LocalDateTime& localNow) {
    const int32_t today = DayKeyOf(localNow);
    const int32_t thisWeek = WeekKeyOf(localNow);
    const bool newDay = today != todayKey_;
    const bool newWeek = thisWeek != weekKey_;
    if (newDay) {
        todayKey_ = today;
        todayInput_ = 0;
        settings_.WriteSettingDword(setting::kTodayInput, 0);
        settings_.WriteSettingDword(setting::kTypingDayKey, static_cast<uint32_t>(today));
    }
    if (newWeek) {
        weekKey_ = thisWeek;
        weeklyWords_ = 0;
        settings_.WriteSettingDword(setting::kWeeklyWords, 0);
        settings_.WriteSettingDword(setting::kWeekKey, static_cast<uint32_t>(thisWeek));
    }
    return newDay || newWeek;
}

int Growth::level() const { return WeeklyLevel(weeklyWords_); }

ActivityCredit Growth::AddActivity(int32_t points, const LocalDateTime& localNow) {
    if (points < 1) return ActivityCredit{false, false, level()};
    // Totals are only ever stored under the day and week they were counted in.
    RollOver(localNow);
    const int32_t oldWeekly = weeklyWords_;
    todayInput_ = CappedSum(todayInput_, points);
    weeklyWords_ = CappedSum(oldWeekly, points);
    settings_.WriteSettingDword(setting::kTodayInput, static_cast<uint32_t>(todayInput_));
    settings_.WriteSettingDword(setting::kTypingDayKey, static_cast<uint32_t>(todayKey_));
    settings_.WriteSettingDword(setting::kWeeklyWords, static_cast<uint32_t>(weeklyWords_));
    settings_.WriteSettingDword(setting::kWeekKey, static_cast<uint32_t>(weekKey_));

    const int newLevel = level();
    if (maxUnlockedAppearance_ < newLevel) {
        maxUnlockedAppearance_ = newLevel;
        settings_.WriteSettingDword(setting::kMaxUnlockedAppearance, static_cast<uint32_t>(newLevel));
    }
    return ActivityCredit{true, CrossedALevel(oldWeekly, weeklyWords_), newLevel};
}

ActivityCredit Growth::CreditPresses(uint32_t presses, const LocalDateTime& localNow) {
    if (presses == 0 || !autoTypingEnabled_) return ActivityCredit{false, false, level()};
    return AddActivity(static_cast<int32_t>(std::min<uint32_t>(presses, INT32_MAX)), localNow);
}

int Growth::SelectAppearance(int appearance) {
    selectedAppearance_ = std::clamp(appearance, 0, maxUnlockedAppearance_);
    settings_.WriteSettingDword(setting::kSelectedAppearance, static_cast<uint32_t>(selectedAppearance_));
    return selectedAppearance_;
}

void Growth::SetAutoTyping(bool enabled) {
    autoTypingEnabled_ = enabled;
    settings_.WriteSettingDword(setting::kAutoTypingEnabled, enabled ? 1 : 0);
}

std::optional<int> ParseManualWords(const std::wstring& text) {
    if (text.empty()) return std::nullopt;
    wchar_t* end = nullptr;
    errno = 0;
    const long value = std::wcstol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != L'\0' || errno == ERANGE || value < 1 || value > 1'000'000) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::wstring GrowthRecordText(int32_t todayInput, int32_t weeklyWords, int32_t maxUnlockedAppearance,
                              bool autoTypingEnabled) {
    const int level = WeeklyLevel(weeklyWords);
    std::wstring text = L"今日输入活跃值：" + std::to_wstring(todayInput);
    text += L"\n本周累计：" + std::to_wstring(weeklyWords);
    text += L"\n当前等级：" + std::wstring(AppearanceName(level));
    text += L"\n已解锁形象：原版 + 等级 1～" + std::to_wstring(maxUnlockedAppearance);
    if (level < 3) {
        const int32_t threshold = level == 1 ? 500 : 1000;
        text += L"\n距离下一等级还差 " + std::to_wstring(std::max(0, threshold - weeklyWords)) + L" 点活跃值";
    } else {
        text += L"\n当前已达到暂定最高等级。";
    }
    text +=
        autoTypingEnabled ? L"\n自动统计已开启：只计次数，不记录文字内容。" : L"\n自动统计未开启，可在设置中心启用。";
    return text;
}
