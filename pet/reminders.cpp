#include "core/calendar.h"
#include "app/pet_app.h"
#include "core/setting_names.h"

namespace {

constexpr int kCheersSeconds = 12;
constexpr int kOffWorkSeconds = 15;
constexpr int kLateNightSeconds = 10;
constexpr int kLateNightHour = 23;

}  // namespace

void PetApp::CheckWaterReminder(uint64_t now) {
    if (waterIntervalMinutes <= 0 || nextWaterTick == 0 || now < nextWaterTick) return;
    // Counted from the firing, and set before the box opens so it cannot fire again meanwhile.
    nextWaterTick = now + static_cast<uint64_t>(waterIntervalMinutes) * 60000;
    ShowPose(POSE_CHEERS, kCheersSeconds);
    notices.Show(hwnd, L"咕噜兽举杯提醒你：先喝几口水，再继续冒险吧！", L"喝水时间到", MB_ICONINFORMATION);
}

void PetApp::CheckOffworkReminder(const SYSTEMTIME& localNow) {
    const int32_t today = DayKeyOf(localNow);
    if (!offworkEnabled || lastOffworkDay == today || localNow.wHour != offworkHour ||
        localNow.wMinute != offworkMinute) {
        return;
    }
    lastOffworkDay = today;
    settings.WriteSettingDword(setting::kLastOffworkDay, static_cast<DWORD>(today));
    ShowPose(POSE_OFF_WORK, kOffWorkSeconds);
    notices.Show(hwnd, L"到点啦！咕噜兽催你收拾一下，准备下班。", L"咕噜兽：下班！", MB_ICONINFORMATION);
}

void PetApp::CheckLateNight(const SYSTEMTIME& localNow) {
    const int32_t today = DayKeyOf(localNow);
    if (localNow.wHour < kLateNightHour || lastLateNightDay == today || pose != POSE_NORMAL || visitShowing) return;
    lastLateNightDay = today;
    settings.WriteSettingDword(setting::kLastLateNightDay, static_cast<DWORD>(today));
    ShowPose(POSE_LATE_NIGHT, kLateNightSeconds);
}
