#include "pet/growth.h"

#include "core/calendar.h"
#include "app/pet_app.h"
#include "core/setting_names.h"
#include "ui/prompt_questions.h"

#include <algorithm>
#include <cerrno>
#include <cwchar>

namespace {

constexpr int32_t kActivityCeiling = 2'000'000'000;
constexpr uint64_t kLevelUpTextMs = 3600;

bool CrossedALevel(int32_t before, int32_t after) {
    return (before < 500 && after >= 500) || (before >= 500 && before < 1000 && after >= 1000);
}

}  // namespace

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
    text += autoTypingEnabled ? L"\n自动统计已开启：只计次数，不记录文字内容。" : L"\n自动统计未开启，可在设置中心启用。";
    return text;
}

bool PetApp::AddActivity(int32_t points, bool announce) {
    if (points < 1) return false;
    const int32_t oldWeekly = weeklyWords;
    todayInput = static_cast<int32_t>(std::min<int64_t>(int64_t{todayInput} + points, kActivityCeiling));
    weeklyWords = static_cast<int32_t>(std::min<int64_t>(int64_t{oldWeekly} + points, kActivityCeiling));
    const SYSTEMTIME localNow = clock.LocalTime();
    settings.WriteSettingDword(setting::kTodayInput, static_cast<DWORD>(todayInput));
    settings.WriteSettingDword(setting::kTypingDayKey, static_cast<DWORD>(DayKeyOf(localNow)));
    settings.WriteSettingDword(setting::kWeeklyWords, static_cast<DWORD>(weeklyWords));
    settings.WriteSettingDword(setting::kWeekKey, static_cast<DWORD>(WeekKeyOf(localNow)));

    const int level = WeeklyLevel(weeklyWords);
    if (maxUnlockedAppearance < level) {
        maxUnlockedAppearance = level;
        settings.WriteSettingDword(setting::kMaxUnlockedAppearance, static_cast<DWORD>(level));
    }
    if (!CrossedALevel(oldWeekly, weeklyWords)) return false;

    SetAppearance(level);
    const std::wstring name = AppearanceName(level);
    if (announce) {
        notices.Show(hwnd, L"升级啦！现在是「" + name + L"」。新形象已永久解锁。", L"咕噜兽升级", MB_ICONINFORMATION);
    } else {
        ShowReactionText(L"升级啦：" + name, kLevelUpTextMs);
    }
    return true;
}

void PetApp::SetAppearance(int appearance) {
    selectedAppearance = appearance < 0 ? 0 : std::min(appearance, maxUnlockedAppearance);
    settings.WriteSettingDword(setting::kSelectedAppearance, static_cast<DWORD>(selectedAppearance));
    pose = POSE_NORMAL;
    poseEndTick = 0;
    showAppearanceCutIn = selectedAppearance > 0;
    poseStartTick = clock.Now();
    cutInAlpha = HasCutIn() ? 1.0f : 0.0f;
    // Friends see the new look at once; offline, the session sends it when it connects.
    if (networkEnabled && connected) online.SetAppearance(selectedAppearance);
    RenderFrame();
}

void PetApp::AddWordsManually() {
    std::wstring text;
    if (!RunPrompt(hwnd, kManualActivityPrompt, L"", text)) {
        return;
    }
    if (text.empty()) return;
    const std::optional<int> words = ParseManualWords(text);
    if (!words) {
        notices.Show(hwnd, L"请输入 1～1000000 之间的整数。", L"字数无效", MB_ICONWARNING);
        return;
    }
    if (!AddActivity(*words, true)) {
        notices.Show(hwnd,
                     L"已追加 " + std::to_wstring(*words) + L" 点输入活跃值。\n本周累计：" +
                         std::to_wstring(weeklyWords) + L"。",
                     L"本周成长", MB_ICONINFORMATION);
    }
}

void PetApp::ShowGrowthRecord() {
    notices.Show(hwnd, GrowthRecordText(todayInput, weeklyWords, maxUnlockedAppearance, autoTypingEnabled),
                 L"咕噜兽成长记录", MB_ICONINFORMATION);
}
