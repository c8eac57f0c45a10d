// The pet's real window under Wine: the movement operations reach it, and nothing reaches it once
// it is gone.
#include "app/pet_app.h"
#include "motion/movement.h"
#include "motion/placement.h"
#include "online/posted_session_events.h"
#include "support/fake_clock.h"
#include "support/memory_settings_store.h"
#include "support/recording_notices.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Corner = std::pair<int, int>;

constexpr int kSize = 230;

Corner At(const RECT& r) { return {r.left, r.top}; }

// The pet's real window: the operations reach it, and nothing reaches it once it is gone.
class RealPetWindow : public ::testing::Test {
protected:
    void SetUp() override {
        app.LoadSettings();
        ASSERT_TRUE(app.CreatePetWindow());
        ASSERT_NE(app.window(), nullptr);
        work = MonitorWorkArea(MonitorFromWindow(app.window(), MONITOR_DEFAULTTONEAREST));
    }
    void TearDown() override {
        if (app.window()) DestroyWindow(app.window());
    }
    RECT Rect() const {
        RECT rect{};
        GetWindowRect(app.window(), &rect);
        return rect;
    }

    FakeClock clock{2026, 12, 8};
    MemorySettingsStore store;
    RecordingNotices notices;
    PetApp app{GetModuleHandleW(nullptr), clock, store, notices};
    RECT work{};
};

TEST_F(RealPetWindow, SizeAndCornerMoveTheWindowButNotWhileAVisitCoversThePet) {
    const Corner corner{work.right - kSize - kCornerInset, work.bottom - kSize - kCornerInset};
    EXPECT_EQ(At(Rect()), corner) << "a first start sits in the corner";
    SetWindowPos(app.window(), HWND_TOPMOST, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    app.SetPetSize(285);
    EXPECT_EQ(Rect().right - Rect().left, 285);
    EXPECT_EQ(At(Rect()), (Corner{100, 120}));
    EXPECT_EQ(store.dwords[L"PetX"], 100u);
    app.ReturnToCorner();
    EXPECT_EQ(At(Rect()), (Corner{work.right - 285 - kCornerInset, work.bottom - 285 - kCornerInset}));

    app.SetVisitShowing(true);
    const size_t writes = store.writes.size();
    app.SetPetSize(175);
    app.ReturnToCorner();
    EXPECT_EQ(app.movement().petSize(), 285);
    EXPECT_EQ(Rect().right - Rect().left, 285);
    EXPECT_EQ(store.writes.size(), writes);
}

TEST_F(RealPetWindow, TheFrameFacesTheWayThePetWalks) {
    FrameDescription frame = app.DescribeFrame();
    EXPECT_EQ(frame.width, kSize);
    EXPECT_TRUE(frame.mirrored) << "the pet starts out facing left";
    app.SetMovementMode(MOVEMENT_WALKING);
    SetWindowPos(app.window(), HWND_TOPMOST, work.left + 1, 300, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    for (int i = 0; i < 200 && app.DescribeFrame().mirrored; ++i) {
        clock.Advance(40);
        app.OnFrameTimer();
    }
    frame = app.DescribeFrame();
    EXPECT_FALSE(frame.mirrored) << "turned at the left edge";
    EXPECT_EQ(Rect().left, work.left);
    EXPECT_TRUE(frame.swaying);
}

TEST_F(RealPetWindow, AnOperationBehindAMessageBoxFindsNoWindowOnceItWasClosed) {
    HWND window = app.window();
    notices.whileShown = [&] { SendMessageW(window, WM_CLOSE, 0, 0); };
    app.Feed();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(app.window(), nullptr);
    EXPECT_EQ(app.DescribeFrame().width, 0);
    notices.whileShown = nullptr;
    app.Feed();
    EXPECT_EQ(notices.shown.back().owner, nullptr) << "no box is owned by a dead window";
    MSG quit{};
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
}

// A pet whose object goes while its window is still open (a test's, or a start-up that gave up)
// takes the window with it: a friend list the session posted just before must not reach the
// object that is gone.
TEST(PetWindowLife, ThePetTakesItsWindowAlongAndNoLateMessageReachesIt) {
    FakeClock clock{2026, 12, 8};
    MemorySettingsStore store;
    RecordingNotices notices;
    HWND window = nullptr;
    {
        PetApp app{GetModuleHandleW(nullptr), clock, store, notices};
        app.LoadSettings();
        ASSERT_TRUE(app.CreatePetWindow());
        window = app.window();
        const std::vector<OnlineFriend> friends{{L"f1", L"小一", true, 0}};
        PostMessageW(window, WM_PET_FRIENDS, 0, reinterpret_cast<LPARAM>(new FriendListPayload{friends, false}));
    }
    EXPECT_FALSE(IsWindow(window)) << "the window outlived the object its procedure calls";
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
        DispatchMessageW(&message);
}

}  // namespace
