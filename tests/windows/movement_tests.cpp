// Walking, dashing and placement of the real pet window under Wine, with ticks moved by hand.
#include "app/pet_app.h"
#include "render/dib_surface.h"
#include "render/movement.h"
#include "support/fake_clock.h"
#include "support/memory_settings_store.h"
#include "support/recording_notices.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <numbers>
#include <utility>
#include <vector>

namespace {

using Corner = std::pair<int, int>;

constexpr float kHalfPi = std::numbers::pi_v<float> / 2;
constexpr float kTwoPi = 6.2831855f;
constexpr int kSize = 230;

Corner At(POINT p) { return {p.x, p.y}; }
Corner At(const RECT& r) { return {r.left, r.top}; }

TEST(WorkArea, ClampKeepsTheWindowInsideAndTheLowerBoundWinsOnANarrowArea) {
    const RECT screen{0, 0, 1280, 800};
    EXPECT_EQ(At(ClampTopLeft({-40, 900}, kSize, screen)), (Corner{0, 570}));
    EXPECT_EQ(At(ClampTopLeft({1200, -3}, kSize, screen)), (Corner{1050, 0}));
    EXPECT_EQ(At(ClampTopLeft({300, 200}, kSize, screen)), (Corner{300, 200}));
    EXPECT_EQ(At(ClampTopLeft({1050, 570}, kSize, screen)), (Corner{1050, 570}));

    const RECT narrow{100, 50, 300, 200};  // smaller than the window both ways
    EXPECT_EQ(At(ClampTopLeft({500, 400}, kSize, narrow)), (Corner{100, 50}));
    EXPECT_EQ(At(ClampTopLeft({20, 10}, kSize, narrow)), (Corner{100, 50}));
}

class PetWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.gdiplus.Start());
        ASSERT_TRUE(app.CreatePetWindow());
        work = MonitorWorkArea(MonitorFromWindow(app.hwnd, MONITOR_DEFAULTTONEAREST));
        app.rng.seed(20261208);
    }
    void TearDown() override {
        if (app.hwnd) DestroyWindow(app.hwnd);
    }

    RECT Rect() const {
        RECT rect{};
        GetWindowRect(app.hwnd, &rect);
        return rect;
    }
    int Left() const { return Rect().left; }
    void PutAt(int x, int y) {
        SetWindowPos(app.hwnd, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        app.homePosition = POINT{x, y};
        app.awayFromHome = false;
    }
    void Tick(uint64_t ms = 40) {
        clock.Advance(ms);
        app.MovementStep();
    }
    // Chooses a mode and lets its half-second pause pass.
    void StartMode(int mode) {
        app.SetMovementMode(mode);
        clock.Advance(500);
    }
    // A walking tick that lands on the peak of the step cycle, where the pet is fastest.
    int TickAtPeak(int levelStep = 0) {
        const int before = Left();
        app.walkPhase = kHalfPi - (0.29f + 0.03f * levelStep);
        Tick();
        return std::abs(Left() - before);
    }
    // Runs frame ticks until the condition holds; false when it has not after the limit.
    bool TickUntil(const std::function<bool()>& done, int limit = 1000) {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Tick();
        }
        return done();
    }
    bool ClearOf(POINT pointer, const RECT& r) const {
        const int half = app.petSize / 2;
        return std::abs(r.left + half - pointer.x) > app.petSize || std::abs(r.top + half - pointer.y) > app.petSize;
    }

    FakeClock clock{2026, 12, 8};
    MemorySettingsStore store;
    RecordingNotices notices;
    PetApp app{GetModuleHandleW(nullptr), clock, store, notices};
    RECT work{};
};

TEST_F(PetWindow, WalkingPetStopsExactlyAtTheWorkAreaEdgesAndTurns) {
    StartMode(1);
    PutAt(work.left + 5, 300);
    app.direction = -1;
    EXPECT_EQ(TickAtPeak(), 3);
    EXPECT_EQ(Left(), work.left + 2);
    TickAtPeak();
    EXPECT_EQ(At(Rect()), (Corner{work.left, 300}));
    EXPECT_EQ(app.direction, 1);
    EXPECT_EQ(At(app.homePosition), (Corner{work.left, 300}));
    EXPECT_FALSE(app.awayFromHome);

    // Facing right again, the picture is drawn as it is: its left half stays on the left.
    const std::vector<uint8_t> png = EncodePng(100, 100, [](int x, int) { return x < 50 ? 0xFFFF0000 : 0xFF0000FF; });
    app.images.Add(PIC_APPEARANCE0_BASE, png.data(), png.size());
    app.selectedAppearance = 0;
    DibSurface surface(kSize, kSize);
    ASSERT_TRUE(surface.valid());
    app.ComposeFrame(surface);
    EXPECT_GT((surface.PixelAt(40, 140) >> 16) & 0xFF, 200u);
    EXPECT_GT(surface.PixelAt(190, 140) & 0xFF, 200u);

    EXPECT_EQ(TickAtPeak(), 3);
    EXPECT_EQ(Left(), work.left + 3);

    PutAt(work.right - kSize - 2, 300);
    TickAtPeak();
    EXPECT_EQ(Left(), work.right - kSize);
    EXPECT_EQ(app.direction, -1);
    TickAtPeak();
    EXPECT_EQ(Left(), work.right - kSize - 3);
    EXPECT_EQ(Rect().top, 300);
}

TEST_F(PetWindow, FlatPartsOfTheStepCycleAreHopsTwicePerCycle) {
    StartMode(1);
    PutAt(work.right - kSize - 10, 300);
    app.segmentEndTick = clock.Now() + 60000;

    app.walkPhase = kTwoPi - 0.29f + 0.05f;  // lands on 0.05 after the wrap
    app.stepCarry = 0.5f;
    Tick();
    EXPECT_NEAR(app.walkPhase, 0.05f, 1e-4f);
    EXPECT_EQ(Left(), work.right - kSize - 10);
    EXPECT_FLOAT_EQ(app.stepCarry, 0.5f);

    app.walkPhase = 0;
    app.stepCarry = 0;
    int stopRuns = 0;
    bool stopped = false;
    for (int i = 0; i < 150; ++i) {
        const int before = Left();
        Tick();
        const int move = before - Left();
        ASSERT_TRUE(move == 0 || move == 2 || move == 3) << "tick " << i << " moved " << move;
        if (move == 0 && !stopped) ++stopRuns;
        stopped = move == 0;
        ASSERT_GE(app.walkPhase, 0.0f);
        ASSERT_LT(app.walkPhase, kTwoPi);
    }
    EXPECT_EQ(stopRuns, 13);  // 150 x 0.29 = 43.5 radians pass 13 multiples of pi
}

TEST_F(PetWindow, HigherWeeklyLevelsWalkFasterAndKeepTheFractionForLater) {
    app.weeklyWords = 1000;
    StartMode(1);
    PutAt(work.right - kSize - 10, 300);
    app.walkPhase = 1.0f;
    Tick();
    EXPECT_NEAR(app.walkPhase, 1.35f, 1e-5f);

    PutAt(work.right - kSize - 10, 300);
    app.stepCarry = 0;
    std::vector<int> moves;
    for (int i = 0; i < 4; ++i) moves.push_back(TickAtPeak(2));
    EXPECT_EQ(moves, (std::vector<int>{4, 4, 4, 5}));  // 4.32 px per tick
    EXPECT_NEAR(app.stepCarry, 0.28f, 1e-4f);
    int total = 0;
    for (int i = 0; i < 25; ++i) total += TickAtPeak(2);
    EXPECT_NEAR(total + app.stepCarry - 0.28f, 108.0f, 1e-3f);  // 108 px a second

    app.weeklyWords = 999;
    app.stepCarry = 0;
    total = 0;
    for (int i = 0; i < 3; ++i) total += TickAtPeak(1);
    EXPECT_NEAR(total + app.stepCarry, 3 * 3.66f, 1e-4f);
}

TEST_F(PetWindow, WalkSegmentsOfEightToFifteenSecondsAlternateWithRests) {
    StartMode(1);
    PutAt(work.right - kSize - 10, 300);
    for (int segment = 0; segment < 3; ++segment) {
        SCOPED_TRACE(segment);
        ASSERT_TRUE(TickUntil([&] { return app.segmentEndTick != 0; }));
        const uint64_t length = app.segmentEndTick - clock.Now();
        EXPECT_GE(length, 8000u);
        EXPECT_LE(length, 15000u);
        EXPECT_EQ(length % 1000, 0u);
        EXPECT_TRUE(app.walking);

        ASSERT_TRUE(TickUntil([&] { return app.segmentEndTick == 0; }));
        const uint64_t rest = app.movementPauseUntil - clock.Now();
        EXPECT_GE(rest, 2500u);
        EXPECT_LE(rest, 5500u);
        EXPECT_FLOAT_EQ(app.stepCarry, 0.0f);
        const RECT restingAt = Rect();
        while (clock.Now() + 40 < app.movementPauseUntil) {
            Tick();
            ASSERT_EQ(At(Rect()), At(restingAt));
        }
    }
}

TEST_F(PetWindow, DashFadesOutJumpsClearOfThePointerFadesInAndStaysThreeSeconds) {
    PutAt(600, 300);
    const POINT pointer{(work.left + work.right) / 2, (work.top + work.bottom) / 2};
    ASSERT_TRUE(SetCursorPos(pointer.x, pointer.y));
    POINT seen{};
    ASSERT_TRUE(GetCursorPos(&seen));
    ASSERT_EQ(At(seen), At(pointer));
    app.SetMovementMode(2);
    EXPECT_FALSE(app.walking);

    Tick(1499);
    EXPECT_EQ(app.dashState, DASH_WAITING);
    Tick(1);
    EXPECT_EQ(app.dashState, DASH_FADING_OUT);
    EXPECT_FLOAT_EQ(app.windowOpacity, 1.0f);
    Tick(110);
    EXPECT_FLOAT_EQ(app.windowOpacity, 0.5f);
    EXPECT_EQ(At(Rect()), (Corner{600, 300}));
    Tick(110);
    EXPECT_FLOAT_EQ(app.windowOpacity, 0.0f);
    EXPECT_EQ(app.dashState, DASH_FADING_IN);
    EXPECT_NE(At(Rect()), (Corner{600, 300}));
    EXPECT_TRUE(ClearOf(pointer, Rect()));
    EXPECT_TRUE(app.awayFromHome);
    EXPECT_EQ(At(app.homePosition), (Corner{600, 300}));
    Tick(110);
    EXPECT_FLOAT_EQ(app.windowOpacity, 0.5f);
    Tick(110);
    EXPECT_FLOAT_EQ(app.windowOpacity, 1.0f);
    EXPECT_EQ(app.dashState, DASH_WAITING);
    EXPECT_EQ(app.nextDashTick, clock.Now() + 3000);
    Tick(2999);
    EXPECT_EQ(app.dashState, DASH_WAITING);
    Tick(1);
    EXPECT_EQ(app.dashState, DASH_FADING_OUT);

    // The remembered place of a dashing pet is where it started.
    app.SavePosition();
    EXPECT_EQ(store.dwords[L"PetX"], 600u);
    EXPECT_EQ(store.dwords[L"PetY"], 300u);

    for (int dash = 0; dash < 40; ++dash) {
        SCOPED_TRACE(dash);
        Tick(220);
        ASSERT_EQ(app.dashState, DASH_FADING_IN);
        const RECT landed = Rect();
        EXPECT_TRUE(ClearOf(pointer, landed));
        EXPECT_GE(landed.left, work.left);
        EXPECT_LE(landed.right, work.right);
        EXPECT_GE(landed.top, work.top);
        EXPECT_LE(landed.bottom, work.bottom);
        Tick(220);
        Tick(3000);
    }
}

TEST_F(PetWindow, HoldingStopsWalkingAndResetsADashFade) {
    struct Hold {
        const char* name;
        std::function<void()> hold;
    };
    const std::vector<Hold> holds = {
        {"hover", [&] { app.hoverTracking = true; }},
        {"press", [&] { app.leftPressed = true; }},
        {"drag", [&] { app.dragging = true; }},
        {"pause", [&] { app.movementPauseUntil = clock.Now() + 60000; }},
        {"cheers", [&] { app.pose = POSE_CHEERS; }},
        {"off work", [&] { app.pose = POSE_OFF_WORK; }},
    };
    auto release = [&] {
        app.hoverTracking = app.leftPressed = app.dragging = false;
        app.movementPauseUntil = 0;
        app.pose = POSE_NORMAL;
    };
    for (const Hold& h : holds) {
        SCOPED_TRACE(h.name);
        StartMode(1);
        PutAt(600, 300);
        ASSERT_GT(TickAtPeak(), 0);
        const uint64_t segmentEnd = app.segmentEndTick;
        h.hold();
        for (int i = 0; i < 5; ++i) EXPECT_EQ(TickAtPeak(), 0);
        EXPECT_TRUE(app.walking);
        release();
        EXPECT_GT(TickAtPeak(), 0);
        EXPECT_EQ(app.segmentEndTick, segmentEnd);  // resumes within the same segment

        app.SetMovementMode(2);
        PutAt(600, 300);
        Tick(1500);
        Tick(110);
        ASSERT_FLOAT_EQ(app.windowOpacity, 0.5f);
        h.hold();
        Tick();
        EXPECT_FLOAT_EQ(app.windowOpacity, 1.0f);
        EXPECT_EQ(app.dashState, DASH_WAITING);
        EXPECT_EQ(app.nextDashTick, clock.Now() + 1000);
        Tick(500);
        EXPECT_EQ(app.nextDashTick, clock.Now() + 1000);  // pushed on while held
        EXPECT_EQ(At(Rect()), (Corner{600, 300}));
        release();
        Tick(999);
        EXPECT_EQ(app.dashState, DASH_WAITING);
        Tick(1);
        EXPECT_EQ(app.dashState, DASH_FADING_OUT);
    }
}

TEST_F(PetWindow, ChangingTheModeBringsADashingPetHomeFirstAndStoresTheMode) {
    PutAt(600, 300);
    app.SetMovementMode(2);
    EXPECT_EQ(store.dwords[L"MovementMode"], 2u);
    EXPECT_EQ(store.dwords[L"WalkingEnabled"], 1u);
    Tick(1500);
    Tick(220);
    ASSERT_TRUE(app.awayFromHome);
    ASSERT_NE(At(Rect()), (Corner{600, 300}));

    app.SetMovementMode(1);
    EXPECT_EQ(At(Rect()), (Corner{600, 300}));
    EXPECT_FALSE(app.awayFromHome);
    EXPECT_FLOAT_EQ(app.windowOpacity, 1.0f);
    EXPECT_EQ(app.dashState, DASH_WAITING);
    EXPECT_TRUE(app.walking);
    EXPECT_EQ(app.movementPauseUntil, clock.Now() + 500);
    EXPECT_EQ(app.nextDashTick, clock.Now() + 1500);
    EXPECT_EQ(store.dwords[L"MovementMode"], 1u);
    EXPECT_EQ(store.dwords[L"WalkingEnabled"], 1u);

    // A home that no longer fits is pulled into the work area on the way back.
    app.homePosition = POINT{work.right - 100, work.bottom - 50};
    app.awayFromHome = true;
    app.SetMovementMode(3);
    EXPECT_EQ(At(Rect()), (Corner{work.right - kSize, work.bottom - kSize}));
    EXPECT_EQ(At(app.homePosition), At(Rect()));
    EXPECT_TRUE(app.walking);

    app.SetMovementMode(0);
    EXPECT_EQ(store.dwords[L"MovementMode"], 0u);
    EXPECT_EQ(store.dwords[L"WalkingEnabled"], 0u);
    EXPECT_FALSE(app.walking);
    app.windowOpacity = 0.3f;
    const RECT still = Rect();
    for (int i = 0; i < 100; ++i) Tick();
    EXPECT_EQ(At(Rect()), At(still));
    EXPECT_FLOAT_EQ(app.windowOpacity, 1.0f);
}

TEST_F(PetWindow, MixedModeWalksThenDashesTwoToFourTimesThenComesHomeToRest) {
    ASSERT_TRUE(SetCursorPos(work.left + 5, work.top + 5));
    PutAt(600, 300);
    app.SetMovementMode(3);
    ASSERT_TRUE(TickUntil([&] { return app.dashPhaseActive; }, 500));
    const RECT walkedTo = Rect();
    EXPECT_NE(walkedTo.left, 600);
    EXPECT_EQ(walkedTo.top, 300);
    EXPECT_EQ(At(app.homePosition), At(walkedTo));
    EXPECT_FALSE(app.walking);
    EXPECT_EQ(app.nextDashTick, clock.Now() + 350);
    const int dashes = app.dashesLeft;
    EXPECT_GE(dashes, 2);
    EXPECT_LE(dashes, 4);

    std::vector<uint64_t> jumpTicks;
    DashState previous = app.dashState;
    for (int i = 0; i < 800 && app.dashPhaseActive; ++i) {
        Tick();
        if (app.dashState == DASH_FADING_IN && previous != DASH_FADING_IN) jumpTicks.push_back(clock.Now());
        previous = app.dashState;
        if (app.dashPhaseActive) {
            EXPECT_FALSE(app.walking);
        }
    }
    ASSERT_FALSE(app.dashPhaseActive);
    EXPECT_EQ(static_cast<int>(jumpTicks.size()), dashes);
    for (size_t i = 1; i < jumpTicks.size(); ++i) EXPECT_GE(jumpTicks[i] - jumpTicks[i - 1], 3440u);
    EXPECT_EQ(At(Rect()), At(walkedTo));
    EXPECT_FALSE(app.awayFromHome);
    EXPECT_TRUE(app.walking);
    EXPECT_EQ(app.segmentEndTick, 0u);
    const uint64_t rest = app.movementPauseUntil - clock.Now();
    EXPECT_GE(rest, 2500u);
    EXPECT_LE(rest, 5500u);

    clock.Advance(rest);
    Tick();
    EXPECT_NE(app.segmentEndTick, 0u);  // the next walk segment has begun
}

TEST_F(PetWindow, NewSizeKeepsTheCornerUnlessTheBiggerWindowWouldLeaveTheWorkArea) {
    PutAt(100, 120);
    app.SetPetSize(285);
    EXPECT_EQ(app.petSize, 285);
    const RECT grown = Rect();
    EXPECT_EQ(At(grown), (Corner{100, 120}));
    EXPECT_EQ(grown.right - grown.left, 285);
    EXPECT_EQ(grown.bottom - grown.top, 285);
    EXPECT_EQ(store.dwords[L"PetSize"], 285u);
    EXPECT_EQ(store.dwords[L"PetX"], 100u);
    EXPECT_EQ(store.dwords[L"PetY"], 120u);

    PutAt(work.right - 240, work.bottom - 240);
    app.SetPetSize(175);
    EXPECT_EQ(At(Rect()), (Corner{work.right - 240, work.bottom - 240}));
    app.SetPetSize(285);
    EXPECT_EQ(At(Rect()), (Corner{work.right - 285, work.bottom - 285}));
    EXPECT_EQ(At(app.homePosition), At(Rect()));

    // A pet away on a dash goes home before it grows.
    PutAt(300, 200);
    SetWindowPos(app.hwnd, HWND_TOPMOST, 700, 400, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    app.awayFromHome = true;
    app.SetPetSize(230);
    EXPECT_EQ(At(Rect()), (Corner{300, 200}));
    EXPECT_FALSE(app.awayFromHome);

    app.visitShowing = true;
    const size_t writes = store.writes.size();
    app.SetPetSize(175);
    EXPECT_EQ(app.petSize, 230);
    EXPECT_EQ(Rect().right - Rect().left, 230);
    EXPECT_EQ(store.writes.size(), writes);
}

TEST_F(PetWindow, ReturnToCornerAndClampIntoWorkArea) {
    PutAt(50, 60);
    app.ReturnToCorner();
    const Corner corner{work.right - kSize - 18, work.bottom - kSize - 18};
    EXPECT_EQ(At(Rect()), corner);
    EXPECT_EQ(At(app.homePosition), corner);
    EXPECT_EQ(store.dwords[L"PetX"], static_cast<DWORD>(corner.first));
    EXPECT_EQ(store.dwords[L"PetY"], static_cast<DWORD>(corner.second));

    PutAt(50, 60);
    app.visitShowing = true;
    app.ReturnToCorner();
    EXPECT_EQ(At(Rect()), (Corner{50, 60}));
    app.visitShowing = false;

    PutAt(work.right - 80, work.top - 50);
    app.ClampIntoWorkArea();
    EXPECT_EQ(At(Rect()), (Corner{work.right - kSize, work.top}));
    EXPECT_EQ(At(app.homePosition), At(Rect()));

    // Away on a dash, the home stays where the series began.
    PutAt(400, 300);
    SetWindowPos(app.hwnd, HWND_TOPMOST, -90, 200, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    app.awayFromHome = true;
    app.ClampIntoWorkArea();
    EXPECT_EQ(At(Rect()), (Corner{work.left, 200}));
    EXPECT_EQ(At(app.homePosition), (Corner{400, 300}));
}

}  // namespace
