#include "motion/movement.h"

#include "motion/placement.h"

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

int WalkCycle::Step(int levelStep, DisplayScale scale) {
    phase = NextWalkPhase(phase, levelStep);
    const float distance = WalkingSpeed(phase, levelStep) * scale.factor() + carry;
    const int move = static_cast<int>(distance);
    carry = distance - static_cast<float>(move);
    return move;
}

int Movement::RandomBetween(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

void Movement::Step(uint64_t now, bool held, int levelStep) {
    held = held || now < pauseUntil_;
    if (mode_ == MOVEMENT_STILL) {
        walking_ = false;
        opacity_ = 1.0f;
        return;
    }
    if (mode_ == MOVEMENT_DASHING || (mode_ == MOVEMENT_MIXED && dashPhaseActive_)) {
        walking_ = false;
        if (held) {
            // A dash never completes under the pointer: show the pet fully and start over later.
            opacity_ = 1.0f;
            dashState_ = DASH_WAITING;
            nextDashTick_ = now + kDashAfterHoldMs;
            return;
        }
        DashStep(now);
        return;
    }

    walking_ = true;
    if (held) return;
    if (segmentEndTick_ == 0) segmentEndTick_ = now + static_cast<uint64_t>(RandomBetween(8, 15)) * 1000;
    if (now < segmentEndTick_) {
        WalkingStep(levelStep);
        return;
    }
    segmentEndTick_ = 0;
    walk_.carry = 0;
    if (mode_ == MOVEMENT_MIXED) {
        if (const auto rect = window_.Rect()) home_ = ScreenPoint{rect->left, rect->top};
        dashesLeft_ = RandomBetween(2, 4);
        dashPhaseActive_ = true;
        walking_ = false;
        dashState_ = DASH_WAITING;
        nextDashTick_ = now + kFirstDashAfterWalkMs;
    } else {
        pauseUntil_ = now + static_cast<uint64_t>(RandomBetween(2500, 5500));
    }
}

void Movement::WalkingStep(int levelStep) {
    const int move = walk_.Step(levelStep, scale_);
    const ScreenRect work = window_.WorkArea();
    const auto rect = window_.Rect();
    if (!rect) return;
    const int windowWidth = rect->right - rect->left;

    int x = rect->left + move * direction_;
    if (x <= work.left) {
        x = work.left;
        direction_ = 1;
    } else if (x + windowWidth >= work.right) {
        x = work.right - windowWidth;
        direction_ = -1;
    }
    const ScreenPoint topLeft{x, rect->top};
    window_.MoveTo(topLeft);
    home_ = topLeft;
    awayFromHome_ = false;
}

void Movement::DashStep(uint64_t now) {
    if (dashState_ == DASH_WAITING) {
        if (now < nextDashTick_) return;
        dashState_ = DASH_FADING_OUT;
        dashStateStartTick_ = now;
    }
    const float progress = FadeProgress(now, dashStateStartTick_);
    if (dashState_ == DASH_FADING_OUT) {
        opacity_ = 1.0f - progress;
        if (progress < 1.0f) return;
        DashJump();
        dashState_ = DASH_FADING_IN;
        dashStateStartTick_ = now;
        return;
    }

    opacity_ = progress;
    if (progress < 1.0f) return;
    opacity_ = 1.0f;
    dashState_ = DASH_WAITING;
    nextDashTick_ = now + kDashStayMs;
    if (mode_ != MOVEMENT_MIXED) return;
    const int before = dashesLeft_--;
    if (before > 1) return;
    // The series is over: walk on from where it began.
    ReturnHomeIfAway();
    dashPhaseActive_ = false;
    walking_ = true;
    pauseUntil_ = now + static_cast<uint64_t>(RandomBetween(2500, 5500));
    segmentEndTick_ = 0;
}

void Movement::DashJump() {
    // Every jump of a series stays on the monitor of the home position.
    const int size = windowSize();
    const ScreenRect work = window_.WorkAreaNearest(ScreenPoint{home_.x + size / 2, home_.y + size / 2});
    const int maxX = std::max<int>(work.left, work.right - size);
    const int maxY = std::max<int>(work.top, work.bottom - size);
    const ScreenPoint cursor = window_.Cursor();

    ScreenPoint target{};
    for (int attempt = 0; attempt < kJumpTries; ++attempt) {
        target.x = RandomBetween(work.left, maxX);
        target.y = RandomBetween(work.top, maxY);
        const bool clearOfPointer =
            std::abs(target.x + size / 2 - cursor.x) > size || std::abs(target.y + size / 2 - cursor.y) > size;
        if (clearOfPointer) break;
    }
    awayFromHome_ = true;
    window_.MoveTo(target);
}
