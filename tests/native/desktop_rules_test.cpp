// The pet on real desktops: standing aside for full-screen programs and the boxes it holds back
// meanwhile.
#include "desktop/deferred_boxes.h"
#include "desktop/full_screen_watch.h"

#include <gtest/gtest.h>

namespace {

TEST(FullScreenWatch, HidesWhileAFullScreenWindowIsInFrontUnlessSwitchedOffOrCalledFor) {
    const ScreenRect monitor{0, 0, 1280, 800};
    EXPECT_TRUE(CoversMonitor(ScreenRect{0, 0, 1280, 800}, monitor));
    EXPECT_TRUE(CoversMonitor(ScreenRect{-8, -8, 1288, 808}, monitor)) << "a borderless window a little larger";
    EXPECT_FALSE(CoversMonitor(ScreenRect{0, 0, 1280, 760}, monitor)) << "a maximised window leaves the taskbar";

    using Change = FullScreenWatch::Change;
    FullScreenWatch watch;
    EXPECT_TRUE(watch.Due(1000));
    EXPECT_FALSE(watch.Due(1000 + FullScreenWatch::kCheckSpacingMs - 1));
    EXPECT_TRUE(watch.Due(1000 + FullScreenWatch::kCheckSpacingMs));

    EXPECT_EQ(watch.Observe(false), Change::None);
    EXPECT_EQ(watch.Observe(true), Change::Hide);
    EXPECT_EQ(watch.Observe(true), Change::None);
    EXPECT_EQ(watch.Observe(false), Change::Show);

    // Switched off while hidden, the pet shows at once and stays; switched on, it hides again.
    watch.Observe(true);
    EXPECT_EQ(watch.SetEnabled(false), Change::Show);
    EXPECT_EQ(watch.Observe(true), Change::None);
    EXPECT_EQ(watch.SetEnabled(true), Change::Hide);

    // Called from the notification icon it stays until that window goes; the next one hides it.
    EXPECT_EQ(watch.Summon(), Change::Show);
    EXPECT_EQ(watch.Observe(true), Change::None);
    EXPECT_EQ(watch.Observe(false), Change::None);
    EXPECT_EQ(watch.Observe(true), Change::Hide);
    EXPECT_TRUE(watch.hidden());
}

TEST(DeferredBoxes, HeldBoxesComeBackInOrderEachOnce) {
    DeferredBoxes boxes;
    const PendingBox water{L"喝水", L"喝水时间到", 0x40u};  // MB_ICONINFORMATION
    const PendingBox offWork{L"下班", L"咕噜兽：下班！", 0x40u};
    boxes.Hold(water);
    boxes.Hold(offWork);
    boxes.Hold(water);
    EXPECT_EQ(boxes.Release(), (std::vector<PendingBox>{water, offWork}));
    EXPECT_TRUE(boxes.Release().empty());
}

}  // namespace
