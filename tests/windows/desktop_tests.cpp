// The pet on real desktops: sizes at every display scale, standing aside for full-screen programs
// and the boxes it holds back meanwhile.
#include "core/display_scale.h"
#include "desktop/deferred_boxes.h"
#include "desktop/full_screen_watch.h"
#include "render/movement.h"
#include "support/memory_settings_store.h"

#include <gtest/gtest.h>

namespace {

// Two monitors side by side: a 96-DPI one on the left and a 144-DPI one on the right.
class TwoMonitors final : public PetWindow {
public:
    std::optional<RECT> Rect() const override { return rect; }
    RECT WorkArea() const override { return WorkAreaNearest(POINT{rect.left, rect.top}); }
    RECT WorkAreaNearest(POINT point) const override { return point.x < 1920 ? left : right; }
    POINT Cursor() const override { return POINT{}; }
    void MoveTo(POINT topLeft) override { OffsetRect(&rect, topLeft.x - rect.left, topLeft.y - rect.top); }
    void Place(POINT topLeft, int size) override {
        rect = RECT{topLeft.x, topLeft.y, topLeft.x + size, topLeft.y + size};
    }

    RECT left{0, 0, 1920, 1040};
    RECT right{1920, 0, 1920 + 2880, 1560};
    RECT rect{100, 100, 330, 330};
};

int Width(const RECT& rect) { return rect.right - rect.left; }

TEST(DisplayScale, UnitsBecomePixelsRoundedAndAnUnknownDpiIsTheBaseOne) {
    EXPECT_EQ(DisplayScale(144).Pixels(230), 345);
    EXPECT_EQ(DisplayScale(120).Pixels(175), 219);  // 218.75
    EXPECT_EQ(DisplayScale(144).Pixels(-11), -17);  // 16.5, away from zero like a font height
    EXPECT_EQ(DisplayScale(0), DisplayScale());
    EXPECT_EQ(DisplayScale().Pixels(285), 285);
}

TEST(DisplayScale, ThePetKeepsItsStoredSizeInUnitsAndTakesTheSizeOfTheMonitorItIsDraggedTo) {
    MemorySettingsStore store;
    TwoMonitors monitors;
    Movement movement{monitors, store, 1};
    movement.UseScale(DisplayScale(144));
    ASSERT_TRUE(movement.SetSize(230));
    EXPECT_EQ(Width(monitors.rect), 345);
    EXPECT_EQ(store.dwords[L"PetSize"], 230u) << "stored in units, not pixels";
    movement.ReturnToCorner();
    EXPECT_EQ(monitors.rect.right, monitors.left.right - kCornerInset);

    // Dragged onto the 144-DPI monitor at 96 DPI, then told of its scale there.
    movement.UseScale(DisplayScale(96));
    movement.SetSize(285);
    movement.Rescale(DisplayScale(144), POINT{1920 + 2880 - 300, 1200});
    EXPECT_EQ(Width(monitors.rect), 428);
    EXPECT_EQ(monitors.rect.right, monitors.right.right) << "kept inside the work area it now stands on";
    EXPECT_EQ(monitors.rect.bottom, 1560);
    EXPECT_EQ(movement.petSize(), 285);
    EXPECT_EQ(store.dwords[L"PetX"], static_cast<DWORD>(monitors.rect.left));

    // Back on the 96-DPI monitor.
    movement.Rescale(DisplayScale(96), POINT{1700, 500});
    EXPECT_EQ(Width(monitors.rect), 285);
    EXPECT_EQ(monitors.rect.right, 1920);
}

TEST(FullScreenWatch, HidesWhileAFullScreenWindowIsInFrontUnlessSwitchedOffOrCalledFor) {
    const RECT monitor{0, 0, 1280, 800};
    EXPECT_TRUE(CoversMonitor(RECT{0, 0, 1280, 800}, monitor));
    EXPECT_TRUE(CoversMonitor(RECT{-8, -8, 1288, 808}, monitor)) << "a borderless window a little larger";
    EXPECT_FALSE(CoversMonitor(RECT{0, 0, 1280, 760}, monitor)) << "a maximised window leaves the taskbar";

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
    const PendingBox water{L"喝水", L"喝水时间到", MB_ICONINFORMATION};
    const PendingBox offWork{L"下班", L"咕噜兽：下班！", MB_ICONINFORMATION};
    boxes.Hold(water);
    boxes.Hold(offWork);
    boxes.Hold(water);
    EXPECT_EQ(boxes.Release(), (std::vector<PendingBox>{water, offWork}));
    EXPECT_TRUE(boxes.Release().empty());
}

}  // namespace
