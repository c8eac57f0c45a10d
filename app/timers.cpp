#include "app/pet_app.h"

namespace {

constexpr int kCheersSeconds = 12;
constexpr int kOffWorkSeconds = 15;
constexpr int kLateNightSeconds = 10;
constexpr int kSlackingSeconds = 10;

}  // namespace

bool PetApp::PoseHoldsThePet() const { return pose_.pose() == POSE_CHEERS || pose_.pose() == POSE_OFF_WORK; }

void PetApp::OnFrameTimer() {
    WatchFullScreen(clock_.Now());
    // A hidden pet neither moves nor draws: a move would show its window again.
    if (fullScreen_.hidden()) return;
    if (visits_.Over(clock_.Now())) {
        EndIncomingVisit();
        return;
    }
    if (!visitShowing_) {
        const uint64_t now = clock_.Now();
        pose_.Step(now, pointer_.hovering(), appearance());
        movement_.Step(now, pointer_.holding() || PoseHoldsThePet(), growth_.level() - 1);
    }
    RenderFrame();
}

void PetApp::OnClockTimer() {
    const uint64_t now = clock_.Now();
    const LocalDateTime localNow = clock_.LocalTime();

    growth_.RollOver(localNow);
    // Presses counted while counting was off are dropped here.
    ShowActivityCredit(growth_.CreditPresses(KeyboardHook::TakeCountedPresses(), localNow), false);
    vitals_.Decay(now);
    if (reminders_.WaterDue(now)) {
        ShowPose(POSE_CHEERS, kCheersSeconds);
        ShowOwnNotice(L"咕噜兽举杯提醒你：先喝几口水，再继续冒险吧！", L"喝水时间到", MB_ICONINFORMATION);
    }
    if (reminders_.OffworkDue(localNow)) {
        ShowPose(POSE_OFF_WORK, kOffWorkSeconds);
        ShowOwnNotice(L"到点啦！咕噜兽催你收拾一下，准备下班。", L"咕噜兽：下班！", MB_ICONINFORMATION);
    }
    const auto poseFree = [&] { return pose_.pose() == POSE_NORMAL && !visitShowing_; };
    if (reminders_.LateNightDue(localNow, poseFree())) ShowPose(POSE_LATE_NIGHT, kLateNightSeconds);
    if (reminders_.IdleDue(now, poseFree(), clock_.MillisecondsSinceLastInput())) {
        ShowPose(POSE_SLACKING, kSlackingSeconds);
    }
}
