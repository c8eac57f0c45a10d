#pragma once

#include "core/display_scale.h"
#include "core/settings_store.h"
#include "motion/pet_window.h"
#include "motion/placement.h"

#include <cstdint>
#include <optional>
#include <random>

enum MovementMode : int {
    MOVEMENT_STILL = 0,
    MOVEMENT_WALKING = 1,
    MOVEMENT_DASHING = 2,
    MOVEMENT_MIXED = 3,
};

enum DashState : int {
    DASH_WAITING = 0,
    DASH_FADING_OUT = 1,
    DASH_FADING_IN = 2,
};

// The step cycle advanced by one frame tick; levelStep is the weekly level minus one (0..2).
float NextWalkPhase(float walkPhase, int levelStep);

// 96-DPI units per frame tick at a point of the step cycle: still where the cycle is flat, so the
// pet moves in hops, fastest at its peaks, and faster with a higher weekly level.
float WalkingSpeed(float walkPhase, int levelStep);

// The walking step cycle and the fraction of a pixel carried over to the next tick.
struct WalkCycle {
    float phase = 0.0f;
    float carry = 0.0f;
    // Advances one frame tick; the whole pixels to move now at the display's scale.
    int Step(int levelStep, DisplayScale scale = {});
};

// Movement values as stored; absent ones are nothing.
struct StoredMovement {
    std::optional<int32_t> petSize;
    std::optional<int32_t> mode;
    std::optional<int32_t> walkingEnabled;
    std::optional<int32_t> x;
    std::optional<int32_t> y;
};

// Where the pet window is and how it moves: its size and home position, walking along the bottom
// edge, dashing (fade out, jump, fade in) and the mix of both. Works on the window only through
// the PetWindow interface; stores the mode, size and position it is given.
class Movement {
public:
    Movement(PetWindow& window, SettingsStore& settings, uint32_t seed)
        : window_(window), settings_(settings), rng_(seed) {}

    // The stored size and mode (an invalid mode falls back to the old walking switch).
    void Restore(const StoredMovement& stored);
    // Where the window starts: the saved position if enough of it is visible in the start area,
    // else that area's corner.
    ScreenPoint StartPosition(const StoredMovement& stored, const ScreenRect& startArea) const;
    // The window stands at its start position; the first dash waits 3 seconds.
    void Start(ScreenPoint home, uint64_t now);

    // One frame tick. `held`: the pointer holds or hovers over the pet, or its pose keeps it still.
    void Step(uint64_t now, bool held, int levelStep);
    bool SetMode(int mode, uint64_t now);
    // One of the three sizes; the window keeps its corner as far as the work area allows.
    bool SetSize(int size);
    void ReturnToCorner();
    // Keeps the window inside the work area of its monitor, e.g. after a display change.
    void ClampIntoWorkArea();
    // The monitor's scale changed (the window was moved to another): the window takes its size at
    // the new scale with its corner at topLeft, kept inside the work area there.
    void Rescale(DisplayScale scale, ScreenPoint topLeft);
    // The scale to start at, before the window exists.
    void UseScale(DisplayScale scale) { scale_ = scale; }
    // Stores the home position: where the window is, unless a dash has taken it away.
    void SavePosition();

    // The pointer took hold of the pet: wherever it is now becomes its home.
    void Grabbed() { awayFromHome_ = false; }
    void HoldAfterPetting(uint64_t now);
    void HoldAfterDrag(uint64_t now);

    // The walking sway is drawn while walking and neither paused nor held by the pointer.
    bool Sways(uint64_t now, bool pointerHeld) const { return walking_ && !pointerHeld && now >= pauseUntil_; }
    int mode() const { return mode_; }
    // In 96-DPI units, as stored; the window is windowSize() pixels square.
    int petSize() const { return petSize_; }
    int windowSize() const { return scale_.Pixels(petSize_); }
    DisplayScale scale() const { return scale_; }
    bool walking() const { return walking_; }
    const WalkCycle& walkCycle() const { return walk_; }
    int direction() const { return direction_; }
    float opacity() const { return opacity_; }
    ScreenPoint home() const { return home_; }
    bool awayFromHome() const { return awayFromHome_; }
    uint64_t pauseUntil() const { return pauseUntil_; }
    uint64_t segmentEndTick() const { return segmentEndTick_; }
    DashState dashState() const { return dashState_; }
    uint64_t nextDashTick() const { return nextDashTick_; }
    bool dashPhaseActive() const { return dashPhaseActive_; }
    int dashesLeft() const { return dashesLeft_; }

private:
    void WalkingStep(int levelStep);
    void DashStep(uint64_t now);
    void DashJump();
    // Puts a pet that a dash has left somewhere back to its (clamped) home.
    void ReturnHomeIfAway();
    void PlaceAt(ScreenPoint topLeft);
    int RandomBetween(int low, int high);

    PetWindow& window_;
    SettingsStore& settings_;
    std::mt19937 rng_;
    int mode_ = MOVEMENT_STILL;
    int petSize_ = kDefaultPetSize;
    DisplayScale scale_;
    bool walking_ = false;
    uint64_t pauseUntil_ = 0;
    ScreenPoint home_{};
    bool awayFromHome_ = false;
    int direction_ = -1;
    WalkCycle walk_;
    uint64_t segmentEndTick_ = 0;
    float opacity_ = 1.0f;
    DashState dashState_ = DASH_WAITING;
    uint64_t dashStateStartTick_ = 0;
    uint64_t nextDashTick_ = 0;
    bool dashPhaseActive_ = false;
    int dashesLeft_ = 0;
};
