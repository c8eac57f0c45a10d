// Sizes at every display scale: the pet keeps its stored size in 96-DPI units and takes the pixel
// size of the monitor it stands on.
#include "core/display_scale.h"
#include "motion/movement.h"
#include "support/memory_settings_store.h"

#include <gtest/gtest.h>

namespace {

int Width(const ScreenRect& rect) { return rect.right - rect.left; }

// Two monitors side by side: a 96-DPI one on the left and a 144-DPI one on the right.
class TwoMonitors final : public PetWindow {
public:
    std::optional<ScreenRect> Rect() const override { return rect; }
    ScreenRect WorkArea() const override { return WorkAreaNearest(rect.TopLeft()); }
    ScreenRect WorkAreaNearest(ScreenPoint point) const override { return point.x < 1920 ? left : right; }
    ScreenPoint Cursor() const override { return {}; }
    void MoveTo(ScreenPoint topLeft) override {
        rect = ScreenRect{topLeft.x, topLeft.y, topLeft.x + Width(rect), topLeft.y + rect.bottom - rect.top};
    }
    void Place(ScreenPoint topLeft, int size) override {
        rect = ScreenRect{topLeft.x, topLeft.y, topLeft.x + size, topLeft.y + size};
    }

    ScreenRect left{0, 0, 1920, 1040};
    ScreenRect right{1920, 0, 1920 + 2880, 1560};
    ScreenRect rect{100, 100, 330, 330};
};

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
    EXPECT_EQ(monitors.rect.right, monitors.left.right - 27) << "the corner's inset at the scale too";

    // Dragged onto the 144-DPI monitor at 96 DPI, then told of its scale there.
    movement.UseScale(DisplayScale(96));
    movement.SetSize(285);
    movement.Rescale(DisplayScale(144), ScreenPoint{1920 + 2880 - 300, 1200});
    EXPECT_EQ(Width(monitors.rect), 428);
    EXPECT_EQ(monitors.rect.right, monitors.right.right) << "kept inside the work area it now stands on";
    EXPECT_EQ(monitors.rect.bottom, 1560);
    EXPECT_EQ(movement.petSize(), 285);
    EXPECT_EQ(store.dwords[L"PetX"], static_cast<uint32_t>(monitors.rect.left));

    // Back on the 96-DPI monitor.
    movement.Rescale(DisplayScale(96), ScreenPoint{1700, 500});
    EXPECT_EQ(Width(monitors.rect), 285);
    EXPECT_EQ(monitors.rect.right, 1920);
}

}  // namespace
