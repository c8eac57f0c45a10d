// Walking, dashing and placement: the rules on a window of the test's own with ticks moved by hand.
#include "motion/movement.h"
#include "motion/placement.h"
#include "support/fake_clock.h"
#include "support/memory_settings_store.h"

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

Corner At(ScreenPoint p) { return {p.x, p.y}; }
Corner At(const ScreenRect& r) { return {r.left, r.top}; }

TEST(WorkArea, ClampKeepsTheWindowInsideAndTheLowerBoundWinsOnANarrowArea) {
    const ScreenRect screen{0, 0, 1280, 800};
    EXPECT_EQ(At(ClampTopLeft({-40, 900}, kSize, screen)), (Corner{0, 570}));
    EXPECT_EQ(At(ClampTopLeft({1200, -3}, kSize, screen)), (Corner{1050, 0}));
    EXPECT_EQ(At(ClampTopLeft({300, 200}, kSize, screen)), (Corner{300, 200}));
    EXPECT_EQ(At(ClampTopLeft({1050, 570}, kSize, screen)), (Corner{1050, 570}));

    const ScreenRect narrow{100, 50, 300, 200};  // smaller than the window both ways
    EXPECT_EQ(At(ClampTopLeft({500, 400}, kSize, narrow)), (Corner{100, 50}));
    EXPECT_EQ(At(ClampTopLeft({20, 10}, kSize, narrow)), (Corner{100, 50}));
}

TEST(StartPosition, SavedPositionMustKeepMoreThan24PixelsInsideTheWorkArea) {
    const ScreenRect work{0, 0, 1280, 760};
    const ScreenPoint corner = DefaultCorner(work, 230);
    EXPECT_EQ(corner.x, 1280 - 230 - 18);
    EXPECT_EQ(corner.y, 760 - 230 - 18);

    auto at = [&](std::optional<int> x, std::optional<int> y) { return ChooseStartPosition(work, 230, x, y); };
    EXPECT_EQ(at(100, 200).x, 100);
    EXPECT_EQ(at(1255, 200).x, 1255);      // 25 pixels still inside on the right
    EXPECT_EQ(at(1256, 200).x, corner.x);  // only 24
    EXPECT_EQ(at(-205, 200).x, -205);
    EXPECT_EQ(at(-206, 200).x, corner.x);
    EXPECT_EQ(at(100, std::nullopt).x, corner.x);  // both values are needed
    EXPECT_EQ(at(1500, 300).x, corner.x);          // saved on a monitor that is gone
    EXPECT_EQ(at(1500, 300).y, corner.y);
}

// At 150 % the pet looks as it does at 100 %: it walks half as far again in the same time, and
// its corner and the part of it that must stay in sight are half as wide again.
TEST(DisplayScaleOfMotion, AtOneAndAHalfTimesTheScaleDistancesAreOneAndAHalfTimesAsLong) {
    const DisplayScale large(144);
    WalkCycle plain{};
    WalkCycle scaled{};
    int plainWay = 0;
    int scaledWay = 0;
    for (int tick = 0; tick < 250; ++tick) {
        plainWay += plain.Step(1);
        scaledWay += scaled.Step(1, large);
    }
    EXPECT_GT(plainWay, 300);
    EXPECT_NEAR(scaledWay + scaled.carry, 1.5f * (plainWay + plain.carry), 0.01f * plainWay);

    const ScreenRect work{0, 0, 1920, 1040};
    const ScreenPoint corner = DefaultCorner(work, 345, large);
    EXPECT_EQ(corner.x, 1920 - 345 - 27);
    EXPECT_EQ(corner.y, 1040 - 345 - 27);
    EXPECT_EQ(ChooseStartPosition(work, 345, 1920 - 37, 500, large).x, 1920 - 37) << "37 pixels in sight";
    EXPECT_EQ(ChooseStartPosition(work, 345, 1920 - 36, 500, large).x, corner.x) << "only 36";
}

TEST(WalkCycle, FlatPartsOfTheStepCycleAreHopsTwicePerCycle) {
    WalkCycle cycle{kTwoPi - 0.29f + 0.05f, 0.5f};  // lands on 0.05 after the wrap
    EXPECT_EQ(cycle.Step(0), 0);
    EXPECT_NEAR(cycle.phase, 0.05f, 1e-4f);
    EXPECT_FLOAT_EQ(cycle.carry, 0.5f);

    cycle = WalkCycle{};
    int stopRuns = 0;
    bool stopped = false;
    for (int i = 0; i < 150; ++i) {
        const int move = cycle.Step(0);
        ASSERT_TRUE(move == 0 || move == 2 || move == 3) << "tick " << i << " moved " << move;
        if (move == 0 && !stopped) ++stopRuns;
        stopped = move == 0;
        ASSERT_GE(cycle.phase, 0.0f);
        ASSERT_LT(cycle.phase, kTwoPi);
    }
    EXPECT_EQ(stopRuns, 13);  // 150 x 0.29 = 43.5 radians pass 13 multiples of pi
}

TEST(WalkCycle, HigherWeeklyLevelsWalkFasterAndKeepTheFractionForLater) {
    WalkCycle cycle{1.0f, 0.0f};
    cycle.Step(2);
    EXPECT_NEAR(cycle.phase, 1.35f, 1e-5f);

    // Ticks that land on the peak of the step cycle, where the pet is fastest.
    auto atPeak = [&](int levelStep) {
        cycle.phase = kHalfPi - (0.29f + 0.03f * levelStep);
        return cycle.Step(levelStep);
    };
    cycle.carry = 0;
    std::vector<int> moves;
    for (int i = 0; i < 4; ++i)
        moves.push_back(atPeak(2));
    EXPECT_EQ(moves, (std::vector<int>{4, 4, 4, 5}));  // 4.32 px per tick
    EXPECT_NEAR(cycle.carry, 0.28f, 1e-4f);
    int total = 0;
    for (int i = 0; i < 25; ++i)
        total += atPeak(2);
    EXPECT_NEAR(total + cycle.carry - 0.28f, 108.0f, 1e-3f);  // 108 px a second

    cycle.carry = 0;
    total = 0;
    for (int i = 0; i < 3; ++i)
        total += atPeak(1);
    EXPECT_NEAR(total + cycle.carry, 3 * 3.66f, 1e-4f);
}

// A window that only remembers where it was put.
class FakePetWindow final : public PetWindow {
public:
    std::optional<ScreenRect> Rect() const override { return rect; }
    ScreenRect WorkArea() const override { return work; }
    ScreenRect WorkAreaNearest(ScreenPoint) const override { return work; }
    ScreenPoint Cursor() const override { return cursor; }
    void MoveTo(ScreenPoint topLeft) override {
        rect = ScreenRect{topLeft.x, topLeft.y, topLeft.x + rect.right - rect.left, topLeft.y + rect.bottom - rect.top};
        ++moves;
    }
    void Place(ScreenPoint topLeft, int size) override {
        rect = ScreenRect{topLeft.x, topLeft.y, topLeft.x + size, topLeft.y + size};
    }

    ScreenRect rect{600, 300, 600 + kSize, 300 + kSize};
    ScreenRect work{0, 0, 1280, 760};
    ScreenPoint cursor{};
    int moves = 0;
};

class Moving : public ::testing::Test {
protected:
    int Left() const { return window.rect.left; }
    // The user put the pet there.
    void PutAt(int x, int y) {
        window.MoveTo(ScreenPoint{x, y});
        movement.Grabbed();
        movement.SavePosition();
    }
    void Tick(uint64_t ms = 40) {
        clock.Advance(ms);
        movement.Step(clock.Now(), held, levelStep);
    }
    // Chooses a mode and lets its half-second pause pass.
    void StartMode(int mode) {
        movement.SetMode(mode, clock.Now());
        clock.Advance(500);
    }
    // Runs frame ticks until the condition holds; false when it has not after the limit.
    bool TickUntil(const std::function<bool()>& done, int limit = 1000) {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Tick();
        }
        return done();
    }
    bool ClearOf(ScreenPoint pointer, const ScreenRect& r) const {
        const int half = kSize / 2;
        return std::abs(r.left + half - pointer.x) > kSize || std::abs(r.top + half - pointer.y) > kSize;
    }

    FakeClock clock{2026, 12, 8};
    MemorySettingsStore store;
    FakePetWindow window;
    Movement movement{window, store, 20261208};
    const ScreenRect& work = window.work;
    bool held = false;
    int levelStep = 0;
};

TEST_F(Moving, WalkingPetStopsExactlyAtTheWorkAreaEdgesAndTurns) {
    StartMode(MOVEMENT_WALKING);
    PutAt(work.left + 5, 300);
    ASSERT_EQ(movement.direction(), -1);
    ASSERT_TRUE(TickUntil([&] { return Left() <= work.left; }, 200));
    EXPECT_EQ(At(window.rect), (Corner{work.left, 300}));
    EXPECT_EQ(movement.direction(), 1);
    EXPECT_EQ(At(movement.home()), (Corner{work.left, 300}));
    EXPECT_FALSE(movement.awayFromHome());
    ASSERT_TRUE(TickUntil([&] { return Left() > work.left; }, 200));
    EXPECT_LE(Left(), work.left + 3);

    PutAt(work.right - kSize - 2, 300);
    ASSERT_TRUE(TickUntil([&] { return window.rect.right >= work.right; }, 200));
    EXPECT_EQ(Left(), work.right - kSize);
    EXPECT_EQ(movement.direction(), -1);
    ASSERT_TRUE(TickUntil([&] { return window.rect.right < work.right; }, 200));
    EXPECT_GE(Left(), work.right - kSize - 3);
    EXPECT_EQ(window.rect.top, 300);
}

TEST_F(Moving, WalkSegmentsOfEightToFifteenSecondsAlternateWithRests) {
    StartMode(MOVEMENT_WALKING);
    PutAt(work.right - kSize - 10, 300);
    for (int segment = 0; segment < 3; ++segment) {
        SCOPED_TRACE(segment);
        ASSERT_TRUE(TickUntil([&] { return movement.segmentEndTick() != 0; }));
        const uint64_t length = movement.segmentEndTick() - clock.Now();
        EXPECT_GE(length, 8000u);
        EXPECT_LE(length, 15000u);
        EXPECT_EQ(length % 1000, 0u);
        EXPECT_TRUE(movement.walking());

        ASSERT_TRUE(TickUntil([&] { return movement.segmentEndTick() == 0; }));
        const uint64_t rest = movement.pauseUntil() - clock.Now();
        EXPECT_GE(rest, 2500u);
        EXPECT_LE(rest, 5500u);
        EXPECT_FLOAT_EQ(movement.walkCycle().carry, 0.0f);
        const ScreenRect restingAt = window.rect;
        while (clock.Now() + 40 < movement.pauseUntil()) {
            Tick();
            ASSERT_EQ(At(window.rect), At(restingAt));
        }
    }
}

TEST_F(Moving, DashFadesOutJumpsClearOfThePointerFadesInAndStaysThreeSeconds) {
    PutAt(600, 300);
    const ScreenPoint pointer{(work.left + work.right) / 2, (work.top + work.bottom) / 2};
    window.cursor = pointer;
    movement.SetMode(MOVEMENT_DASHING, clock.Now());
    EXPECT_FALSE(movement.walking());

    Tick(1499);
    EXPECT_EQ(movement.dashState(), DASH_WAITING);
    Tick(1);
    EXPECT_EQ(movement.dashState(), DASH_FADING_OUT);
    EXPECT_FLOAT_EQ(movement.opacity(), 1.0f);
    Tick(110);
    EXPECT_FLOAT_EQ(movement.opacity(), 0.5f);
    EXPECT_EQ(At(window.rect), (Corner{600, 300}));
    Tick(110);
    EXPECT_FLOAT_EQ(movement.opacity(), 0.0f);
    EXPECT_EQ(movement.dashState(), DASH_FADING_IN);
    EXPECT_NE(At(window.rect), (Corner{600, 300}));
    EXPECT_TRUE(ClearOf(pointer, window.rect));
    EXPECT_TRUE(movement.awayFromHome());
    EXPECT_EQ(At(movement.home()), (Corner{600, 300}));
    Tick(110);
    EXPECT_FLOAT_EQ(movement.opacity(), 0.5f);
    Tick(110);
    EXPECT_FLOAT_EQ(movement.opacity(), 1.0f);
    EXPECT_EQ(movement.dashState(), DASH_WAITING);
    EXPECT_EQ(movement.nextDashTick(), clock.Now() + 3000);
    Tick(2999);
    EXPECT_EQ(movement.dashState(), DASH_WAITING);
    Tick(1);
    EXPECT_EQ(movement.dashState(), DASH_FADING_OUT);

    // The remembered place of a dashing pet is where it started.
    movement.SavePosition();
    EXPECT_EQ(store.dwords[L"PetX"], 600u);
    EXPECT_EQ(store.dwords[L"PetY"], 300u);

    for (int dash = 0; dash < 40; ++dash) {
        SCOPED_TRACE(dash);
        Tick(220);
        ASSERT_EQ(movement.dashState(), DASH_FADING_IN);
        const ScreenRect landed = window.rect;
        EXPECT_TRUE(ClearOf(pointer, landed));
        EXPECT_GE(landed.left, work.left);
        EXPECT_LE(landed.right, work.right);
        EXPECT_GE(landed.top, work.top);
        EXPECT_LE(landed.bottom, work.bottom);
        Tick(220);
        Tick(3000);
    }
}

TEST_F(Moving, HoldingStopsWalkingAndResetsADashFade) {
    struct Hold {
        const char* name;
        std::function<void()> hold;
    };
    const std::vector<Hold> holds = {
        {"pointer or pose", [&] { held = true; }},
        {"pause after petting", [&] { movement.HoldAfterPetting(clock.Now()); }},
        {"pause after a drag", [&] { movement.HoldAfterDrag(clock.Now()); }},
    };
    auto release = [&] {
        held = false;
        clock.Advance(1200);
    };
    for (const Hold& h : holds) {
        SCOPED_TRACE(h.name);
        StartMode(MOVEMENT_WALKING);
        PutAt(600, 300);
        ASSERT_TRUE(TickUntil([&] { return Left() != 600; }, 50));
        h.hold();
        const ScreenRect heldAt = window.rect;
        for (int i = 0; i < 5; ++i)
            Tick();
        EXPECT_EQ(At(window.rect), At(heldAt));
        EXPECT_TRUE(movement.walking());
        release();
        EXPECT_TRUE(TickUntil([&] { return Left() != heldAt.left; }, 50));

        movement.SetMode(MOVEMENT_DASHING, clock.Now());
        PutAt(600, 300);
        Tick(1500);
        Tick(110);
        ASSERT_FLOAT_EQ(movement.opacity(), 0.5f);
        h.hold();
        Tick();
        EXPECT_FLOAT_EQ(movement.opacity(), 1.0f);
        EXPECT_EQ(movement.dashState(), DASH_WAITING);
        EXPECT_EQ(movement.nextDashTick(), clock.Now() + 1000);
        Tick(500);
        EXPECT_EQ(movement.nextDashTick(), clock.Now() + 1000);  // pushed on while held
        EXPECT_EQ(At(window.rect), (Corner{600, 300}));
        held = false;
        // The next dash comes a second after the last tick that held the pet.
        uint64_t lastHeld = clock.Now();
        for (Tick(); movement.nextDashTick() == clock.Now() + 1000; Tick())
            lastHeld = clock.Now();
        ASSERT_TRUE(TickUntil([&] { return movement.dashState() == DASH_FADING_OUT; }, 100));
        EXPECT_GE(clock.Now(), lastHeld + 1000);
        EXPECT_LT(clock.Now(), lastHeld + 1040);
    }
}

TEST_F(Moving, ChangingTheModeBringsADashingPetHomeFirstAndStoresTheMode) {
    PutAt(600, 300);
    movement.SetMode(MOVEMENT_DASHING, clock.Now());
    EXPECT_EQ(store.dwords[L"MovementMode"], 2u);
    EXPECT_EQ(store.dwords[L"WalkingEnabled"], 1u);
    Tick(1500);
    Tick(220);
    ASSERT_TRUE(movement.awayFromHome());
    ASSERT_NE(At(window.rect), (Corner{600, 300}));

    movement.SetMode(MOVEMENT_WALKING, clock.Now());
    EXPECT_EQ(At(window.rect), (Corner{600, 300}));
    EXPECT_FALSE(movement.awayFromHome());
    EXPECT_FLOAT_EQ(movement.opacity(), 1.0f);
    EXPECT_EQ(movement.dashState(), DASH_WAITING);
    EXPECT_TRUE(movement.walking());
    EXPECT_EQ(movement.pauseUntil(), clock.Now() + 500);
    EXPECT_EQ(movement.nextDashTick(), clock.Now() + 1500);
    EXPECT_EQ(store.dwords[L"MovementMode"], 1u);
    EXPECT_EQ(store.dwords[L"WalkingEnabled"], 1u);

    // A home that no longer fits is pulled into the work area on the way back.
    movement.SetMode(MOVEMENT_DASHING, clock.Now());
    Tick(1500);
    Tick(220);
    ASSERT_TRUE(movement.awayFromHome());
    window.work = ScreenRect{0, 0, 700, 450};
    movement.SetMode(MOVEMENT_MIXED, clock.Now());
    EXPECT_EQ(At(window.rect), (Corner{700 - kSize, 450 - kSize}));
    EXPECT_EQ(At(movement.home()), At(window.rect));
    EXPECT_TRUE(movement.walking());

    EXPECT_FALSE(movement.SetMode(4, clock.Now()));
    EXPECT_EQ(movement.mode(), MOVEMENT_MIXED);

    movement.SetMode(MOVEMENT_STILL, clock.Now());
    EXPECT_EQ(store.dwords[L"MovementMode"], 0u);
    EXPECT_EQ(store.dwords[L"WalkingEnabled"], 0u);
    EXPECT_FALSE(movement.walking());
    const ScreenRect still = window.rect;
    for (int i = 0; i < 100; ++i)
        Tick();
    EXPECT_EQ(At(window.rect), At(still));
    EXPECT_FLOAT_EQ(movement.opacity(), 1.0f);
}

TEST_F(Moving, MixedModeWalksThenDashesTwoToFourTimesThenComesHomeToRest) {
    window.cursor = ScreenPoint{work.left + 5, work.top + 5};
    PutAt(600, 300);
    movement.SetMode(MOVEMENT_MIXED, clock.Now());
    ASSERT_TRUE(TickUntil([&] { return movement.dashPhaseActive(); }, 500));
    const ScreenRect walkedTo = window.rect;
    EXPECT_NE(walkedTo.left, 600);
    EXPECT_EQ(walkedTo.top, 300);
    EXPECT_EQ(At(movement.home()), At(walkedTo));
    EXPECT_FALSE(movement.walking());
    EXPECT_EQ(movement.nextDashTick(), clock.Now() + 350);
    const int dashes = movement.dashesLeft();
    EXPECT_GE(dashes, 2);
    EXPECT_LE(dashes, 4);

    std::vector<uint64_t> jumpTicks;
    DashState previous = movement.dashState();
    for (int i = 0; i < 800 && movement.dashPhaseActive(); ++i) {
        Tick();
        if (movement.dashState() == DASH_FADING_IN && previous != DASH_FADING_IN) jumpTicks.push_back(clock.Now());
        previous = movement.dashState();
        if (movement.dashPhaseActive()) {
            EXPECT_FALSE(movement.walking());
        }
    }
    ASSERT_FALSE(movement.dashPhaseActive());
    EXPECT_EQ(static_cast<int>(jumpTicks.size()), dashes);
    for (size_t i = 1; i < jumpTicks.size(); ++i)
        EXPECT_GE(jumpTicks[i] - jumpTicks[i - 1], 3440u);
    EXPECT_EQ(At(window.rect), At(walkedTo));
    EXPECT_FALSE(movement.awayFromHome());
    EXPECT_TRUE(movement.walking());
    EXPECT_EQ(movement.segmentEndTick(), 0u);
    const uint64_t rest = movement.pauseUntil() - clock.Now();
    EXPECT_GE(rest, 2500u);
    EXPECT_LE(rest, 5500u);

    clock.Advance(rest);
    Tick();
    EXPECT_NE(movement.segmentEndTick(), 0u);  // the next walk segment has begun
}

TEST_F(Moving, NewSizeKeepsTheCornerUnlessTheBiggerWindowWouldLeaveTheWorkArea) {
    PutAt(100, 120);
    EXPECT_TRUE(movement.SetSize(285));
    EXPECT_EQ(movement.petSize(), 285);
    EXPECT_EQ(At(window.rect), (Corner{100, 120}));
    EXPECT_EQ(window.rect.right - window.rect.left, 285);
    EXPECT_EQ(store.dwords[L"PetSize"], 285u);
    EXPECT_EQ(store.dwords[L"PetX"], 100u);
    EXPECT_EQ(store.dwords[L"PetY"], 120u);
    EXPECT_FALSE(movement.SetSize(200));
    EXPECT_EQ(movement.petSize(), 285);

    PutAt(work.right - 290, work.bottom - 290);
    movement.SetSize(175);
    EXPECT_EQ(At(window.rect), (Corner{work.right - 290, work.bottom - 290}));
    PutAt(work.right - 240, work.bottom - 240);
    movement.SetSize(285);
    EXPECT_EQ(At(window.rect), (Corner{work.right - 285, work.bottom - 285}));
    EXPECT_EQ(At(movement.home()), At(window.rect));

    // A pet away on a dash goes home before it grows.
    PutAt(300, 200);
    movement.SetMode(MOVEMENT_DASHING, clock.Now());
    Tick(1500);
    Tick(220);
    ASSERT_TRUE(movement.awayFromHome());
    movement.SetSize(230);
    EXPECT_EQ(At(window.rect), (Corner{300, 200}));
    EXPECT_FALSE(movement.awayFromHome());
}

TEST_F(Moving, ReturnToCornerAndClampIntoWorkArea) {
    PutAt(50, 60);
    movement.ReturnToCorner();
    const Corner corner{work.right - kSize - kCornerInset, work.bottom - kSize - kCornerInset};
    EXPECT_EQ(At(window.rect), corner);
    EXPECT_EQ(At(movement.home()), corner);
    EXPECT_EQ(store.dwords[L"PetX"], static_cast<uint32_t>(corner.first));
    EXPECT_EQ(store.dwords[L"PetY"], static_cast<uint32_t>(corner.second));

    PutAt(work.right - 80, work.top - 50);
    movement.ClampIntoWorkArea();
    EXPECT_EQ(At(window.rect), (Corner{work.right - kSize, work.top}));
    EXPECT_EQ(At(movement.home()), At(window.rect));

    // Away on a dash, the home stays where the series began.
    PutAt(400, 300);
    movement.SetMode(MOVEMENT_DASHING, clock.Now());
    Tick(1500);
    Tick(220);
    ASSERT_TRUE(movement.awayFromHome());
    window.MoveTo(ScreenPoint{-90, 200});
    movement.ClampIntoWorkArea();
    EXPECT_EQ(At(window.rect), (Corner{work.left, 200}));
    EXPECT_EQ(At(movement.home()), (Corner{400, 300}));
}

}  // namespace
