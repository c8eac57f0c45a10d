// Movement's placement half: the stored size and mode, the home position and where it is kept.
#include "core/setting_names.h"
#include "motion/movement.h"
#include "motion/placement.h"

#include <algorithm>

namespace {

constexpr uint64_t kModeChangePauseMs = 500;
constexpr uint64_t kModeChangeFirstDashMs = 1500;
constexpr uint64_t kFirstDashDelayMs = 3000;
constexpr uint64_t kPettingHoldMs = 900;
constexpr uint64_t kDragHoldMs = 1200;

bool IsMovementMode(int mode) { return mode >= MOVEMENT_STILL && mode <= MOVEMENT_MIXED; }

}  // namespace

void Movement::Restore(const StoredMovement& stored) {
    if (stored.petSize && IsPetSize(*stored.petSize)) petSize_ = *stored.petSize;
    if (stored.mode && IsMovementMode(*stored.mode)) {
        mode_ = *stored.mode;
    } else if (stored.walkingEnabled) {
        mode_ = *stored.walkingEnabled != 0 ? MOVEMENT_WALKING : MOVEMENT_STILL;
    }
    walking_ = mode_ == MOVEMENT_WALKING || mode_ == MOVEMENT_MIXED;
}

ScreenPoint Movement::StartPosition(const StoredMovement& stored, const ScreenRect& startArea) const {
    return ChooseStartPosition(startArea, windowSize(), stored.x, stored.y, scale_);
}

void Movement::Start(ScreenPoint home, uint64_t now) {
    home_ = home;
    awayFromHome_ = false;
    nextDashTick_ = now + kFirstDashDelayMs;
}

void Movement::PlaceAt(ScreenPoint topLeft) {
    window_.Place(topLeft, windowSize());
    awayFromHome_ = false;
    home_ = topLeft;
    SavePosition();
}

void Movement::ReturnHomeIfAway() {
    if (!awayFromHome_) return;
    home_ = ClampTopLeft(home_, windowSize(), window_.WorkAreaNearest(home_));
    awayFromHome_ = false;
    window_.MoveTo(home_);
}

bool Movement::SetMode(int mode, uint64_t now) {
    if (!IsMovementMode(mode)) return false;
    ReturnHomeIfAway();
    mode_ = mode;
    walking_ = mode == MOVEMENT_WALKING || mode == MOVEMENT_MIXED;
    dashPhaseActive_ = false;
    dashesLeft_ = 0;
    segmentEndTick_ = 0;
    pauseUntil_ = now + kModeChangePauseMs;
    dashState_ = DASH_WAITING;
    nextDashTick_ = now + kModeChangeFirstDashMs;
    opacity_ = 1.0f;
    settings_.WriteSettingDword(setting::kMovementMode, static_cast<uint32_t>(mode));
    settings_.WriteSettingDword(setting::kWalkingEnabled, mode != MOVEMENT_STILL ? 1 : 0);
    return true;
}

bool Movement::SetSize(int size) {
    if (!IsPetSize(size)) return false;
    ReturnHomeIfAway();
    const auto rect = window_.Rect();
    if (!rect) return false;
    petSize_ = size;
    settings_.WriteSettingDword(setting::kPetSize, static_cast<uint32_t>(size));
    PlaceAt(ClampTopLeft(ScreenPoint{rect->left, rect->top}, windowSize(), window_.WorkArea()));
    return true;
}

void Movement::Rescale(DisplayScale scale, ScreenPoint topLeft) {
    scale_ = scale;
    const int size = windowSize();
    // Judged by the centre, so a window straddling two monitors stays on the one it moved to.
    PlaceAt(
        ClampTopLeft(topLeft, size, window_.WorkAreaNearest(ScreenPoint{topLeft.x + size / 2, topLeft.y + size / 2})));
}

void Movement::ReturnToCorner() { PlaceAt(DefaultCorner(window_.WorkArea(), windowSize(), scale_)); }

void Movement::ClampIntoWorkArea() {
    const auto rect = window_.Rect();
    if (!rect) return;
    const ScreenPoint topLeft = ClampTopLeft(ScreenPoint{rect->left, rect->top}, windowSize(), window_.WorkArea());
    window_.Place(topLeft, windowSize());
    if (!awayFromHome_) home_ = topLeft;
}

void Movement::SavePosition() {
    if (!awayFromHome_) {
        const auto rect = window_.Rect();
        if (!rect) return;
        home_ = ScreenPoint{rect->left, rect->top};
    }
    settings_.WriteSettingDword(setting::kPetX, static_cast<uint32_t>(home_.x));
    settings_.WriteSettingDword(setting::kPetY, static_cast<uint32_t>(home_.y));
}

void Movement::HoldAfterPetting(uint64_t now) {
    pauseUntil_ = std::max(pauseUntil_, now + kPettingHoldMs);
    segmentEndTick_ = 0;
}

void Movement::HoldAfterDrag(uint64_t now) {
    if (mode_ == MOVEMENT_STILL) return;
    pauseUntil_ = std::max(pauseUntil_, now + kDragHoldMs);
    segmentEndTick_ = 0;
    walk_.carry = 0;
}
