#include "core/calendar.h"
#include "app/pet_app.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr uint64_t kDashFadeMs = 220;
constexpr uint64_t kDashStayMs = 3000;
constexpr uint64_t kDashAfterHoldMs = 1000;
constexpr uint64_t kFirstDashAfterWalkMs = 350;
constexpr int kJumpTries = 12;

int RandomBetween(std::mt19937& rng, int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }

uint64_t RestAfterWalking(std::mt19937& rng, uint64_t now) {
    return now + static_cast<uint64_t>(RandomBetween(rng, 2500, 5500));
}

float FadeProgress(uint64_t now, uint64_t start) {
    const uint64_t elapsed = now > start ? now - start : 0;
    return std::min(1.0f, static_cast<float>(elapsed) / kDashFadeMs);
}

}  // namespace

float NextWalkPhase(float walkPhase, int levelStep) {
    const float next = walkPhase + 0.29f + 0.03f * levelStep;
    return next >= kTwoPi ? next - kTwoPi : next;
}

float WalkingSpeed(float walkPhase, int levelStep) {
    const float swing = std::fabs(std::sin(walkPhase));
    const float base = swing < 0.18f ? 0.0f : (swing > 0.72f ? 3.0f : 2.0f);
    return base * (1.0f + 0.22f * levelStep);
}

void PetApp::MovementStep() {
    const uint64_t now = clock.Now();
    const bool held = leftPressed || dragging || hoverTracking || now < movementPauseUntil || pose == POSE_CHEERS ||
                      pose == POSE_OFF_WORK;

    if (movementMode == 0) {
        walking = false;
        windowOpacity = 1.0f;
        return;
    }
    if (movementMode == 2 || (movementMode == 3 && dashPhaseActive)) {
        walking = false;
        if (held) {
            // A dash never completes under the pointer: show the pet fully and start over later.
            windowOpacity = 1.0f;
            dashState = DASH_WAITING;
            nextDashTick = now + kDashAfterHoldMs;
            return;
        }
        DashStep(now);
        return;
    }

    walking = true;
    if (held) return;
    if (segmentEndTick == 0) segmentEndTick = now + static_cast<uint64_t>(RandomBetween(rng, 8, 15)) * 1000;
    if (now < segmentEndTick) {
        WalkingStep();
        return;
    }
    segmentEndTick = 0;
    stepCarry = 0;
    if (movementMode == 3) {
        RECT rect{};
        if (GetWindowRect(hwnd, &rect)) homePosition = POINT{rect.left, rect.top};
        dashesLeft = RandomBetween(rng, 2, 4);
        dashPhaseActive = true;
        walking = false;
        dashState = DASH_WAITING;
        nextDashTick = now + kFirstDashAfterWalkMs;
    } else {
        movementPauseUntil = RestAfterWalking(rng, now);
    }
}

void PetApp::WalkingStep() {
    const int levelStep = WeeklyLevel(weeklyWords) - 1;
    walkPhase = NextWalkPhase(walkPhase, levelStep);
    const RECT work = WindowWorkArea();
    RECT rect{};
    if (!GetWindowRect(hwnd, &rect)) return;
    const int windowWidth = rect.right - rect.left;

    const float distance = WalkingSpeed(walkPhase, levelStep) + stepCarry;
    const int move = static_cast<int>(distance);
    stepCarry = distance - static_cast<float>(move);

    int x = rect.left + move * direction;
    if (x <= work.left) {
        x = work.left;
        direction = 1;
    } else if (x + windowWidth >= work.right) {
        x = work.right - windowWidth;
        direction = -1;
    }
    const POINT topLeft{x, rect.top};
    MoveWindowTo(topLeft);
    homePosition = topLeft;
    awayFromHome = false;
}

void PetApp::DashStep(uint64_t now) {
    if (dashState == DASH_WAITING) {
        if (now < nextDashTick) return;
        dashState = DASH_FADING_OUT;
        dashStateStartTick = now;
    }
    const float progress = FadeProgress(now, dashStateStartTick);
    if (dashState == DASH_FADING_OUT) {
        windowOpacity = 1.0f - progress;
        if (progress < 1.0f) return;
        DashJump();
        dashState = DASH_FADING_IN;
        dashStateStartTick = now;
        return;
    }

    windowOpacity = progress;
    if (progress < 1.0f) return;
    windowOpacity = 1.0f;
    dashState = DASH_WAITING;
    nextDashTick = now + kDashStayMs;
    if (movementMode != 3) return;
    const int before = dashesLeft--;
    if (before > 1) return;
    // The series is over: walk on from where it began.
    ReturnHomeIfAway();
    dashPhaseActive = false;
    walking = true;
    movementPauseUntil = RestAfterWalking(rng, now);
    segmentEndTick = 0;
}

void PetApp::DashJump() {
    // Every jump of a series stays on the monitor of the home position.
    const POINT homeCentre{homePosition.x + petSize / 2, homePosition.y + petSize / 2};
    const RECT work = MonitorWorkArea(MonitorFromPoint(homeCentre, MONITOR_DEFAULTTONEAREST));
    const int maxX = std::max<int>(work.left, work.right - petSize);
    const int maxY = std::max<int>(work.top, work.bottom - petSize);
    POINT cursor{};
    GetCursorPos(&cursor);

    POINT target{};
    for (int attempt = 0; attempt < kJumpTries; ++attempt) {
        target.x = RandomBetween(rng, work.left, maxX);
        target.y = RandomBetween(rng, work.top, maxY);
        const bool clearOfPointer = std::abs(target.x + petSize / 2 - cursor.x) > petSize ||
                                    std::abs(target.y + petSize / 2 - cursor.y) > petSize;
        if (clearOfPointer) break;
    }
    awayFromHome = true;
    MoveWindowTo(target);
}
