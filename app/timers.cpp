#include "core/calendar.h"
#include "app/pet_app.h"

#include "pet/keyboard_hook.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr uint32_t kIdleThresholdMs = 600000;
constexpr uint64_t kIdleRecheckMs = 300000;
constexpr uint64_t kIdleRecheckAfterSlackingMs = 1800000;
constexpr int kSlackingSeconds = 10;

}  // namespace

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

    if (const int32_t today = DayKeyOf(localNow); today != todayKey) StartNewDay(today);
    if (const int32_t thisWeek = WeekKeyOf(localNow); thisWeek != weekKey) StartNewWeek(thisWeek);
    // Presses counted while counting was off are dropped here.
    if (const uint32_t presses = g_pendingKeyPresses.exchange(0); presses != 0 && autoTypingEnabled) {
        AddActivity(static_cast<int32_t>(std::min<uint32_t>(presses, INT32_MAX)), false);
    }
    DecayEnergy(now);
    CheckWaterReminder(now);
    CheckOffworkReminder(localNow);
    CheckLateNight(localNow);
    CheckIdle(now);
}

void PetApp::CheckIdle(uint64_t now) {
    if (now < nextIdleCheckTick || pose != POSE_NORMAL || visitShowing) return;
    const std::optional<uint32_t> idle = clock.MillisecondsSinceLastInput();
    if (idle && *idle >= kIdleThresholdMs) {
        ShowPose(POSE_SLACKING, kSlackingSeconds);
        nextIdleCheckTick = now + kIdleRecheckAfterSlackingMs;
    } else {
        nextIdleCheckTick = now + kIdleRecheckMs;
    }
}
