// Composed frames inspected pixel by pixel: real GDI+ drawing into the DIB the window is fed from.
#include "render/dib_surface.h"
#include "render/frame_renderer.h"
#include "render/frame_text.h"
#include "motion/reaction_text.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr uint32_t Alpha(uint32_t pixel) { return pixel >> 24; }

struct Extent {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

Extent OpaqueExtent(const DibSurface& surface, int x0, int y0, int x1, int y1, uint32_t minAlpha = 1) {
    Extent extent;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (Alpha(surface.PixelAt(x, y)) >= minAlpha) {
                extent.left = std::min(extent.left, x);
                extent.right = std::max(extent.right, x);
                extent.top = std::min(extent.top, y);
                extent.bottom = std::max(extent.bottom, y);
            }
        }
    }
    return extent;
}

uint32_t MaxAlpha(const DibSurface& surface, int x0, int y0, int x1, int y1) {
    uint32_t best = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x)
            best = std::max(best, Alpha(surface.PixelAt(x, y)));
    }
    return best;
}

class Renderer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(session.Start()); }
    static void TearDownTestSuite() { session.Shutdown(); }

    void AddPicture(int id, int width, int height, const std::function<ARGB(int, int)>& pixel) {
        const std::vector<uint8_t> png = EncodePng(width, height, pixel);
        images.Add(id, png.data(), png.size());
    }
    // The constant alpha the frame is pushed with.
    BYTE Compose(DibSurface& surface) {
        frame.width = surface.width();
        frame.height = surface.height();
        const std::optional<BYTE> alpha = renderer.Compose(frame, surface);
        EXPECT_TRUE(alpha.has_value());
        return alpha.value_or(0);
    }

    static GdiplusSession session;
    ImageCatalogue images;
    FrameRenderer renderer{images};
    FrameDescription frame;
};
GdiplusSession Renderer::session;

TEST_F(Renderer, EnergyBadgeScalesWithThePetBetweenItsLimits) {
    struct Case {
        int size;
        float diameter;
        float inset;
    };
    for (const Case c : {Case{175, 35.0f, 4.375f}, Case{230, 43.7f, 5.75f}, Case{285, 54.0f, 7.125f}}) {
        SCOPED_TRACE(c.size);
        DibSurface surface(c.size, c.size);
        ASSERT_TRUE(surface.valid());
        frame.energy = 100;
        Compose(surface);
        const Extent badge = OpaqueExtent(surface, 0, 0, c.size, c.size, 128);
        // The 2-pixel outline straddles the circle, so the visible disc is one pixel wider each way.
        EXPECT_NEAR(badge.width(), c.diameter + 2, 2.0);
        EXPECT_NEAR(badge.height(), c.diameter + 2, 2.0);
        EXPECT_NEAR(badge.right + 1, c.size - c.inset + 1, 1.5);
        EXPECT_NEAR(badge.top, c.inset - 1, 1.5);
        // White digits inside the dark disc.
        const int cy = (badge.top + badge.bottom) / 2;
        uint32_t brightest = 0;
        for (int y = cy - 5; y <= cy + 5; ++y) {
            for (int x = badge.left + 6; x <= badge.right - 6; ++x) {
                brightest = std::max(brightest, surface.PixelAt(x, y) & 0xFF);
            }
        }
        EXPECT_GT(brightest, 200u) << "the energy number is drawn";
    }
}

TEST_F(Renderer, PetIsMirroredWhileFacingLeft) {
    // Left half red, right half blue.
    AddPicture(PIC_APPEARANCE0_BASE, 100, 100, [](int x, int) { return x < 50 ? 0xFFFF0000 : 0xFF0000FF; });
    frame.basePicture = PIC_APPEARANCE0_BASE;
    DibSurface surface(230, 230);
    const int probeY = 140;
    auto isRed = [](uint32_t p) { return ((p >> 16) & 0xFF) > 200 && (p & 0xFF) < 50; };
    auto isBlue = [](uint32_t p) { return (p & 0xFF) > 200 && ((p >> 16) & 0xFF) < 50; };

    frame.mirrored = false;
    Compose(surface);
    EXPECT_TRUE(isRed(surface.PixelAt(40, probeY)));
    EXPECT_TRUE(isBlue(surface.PixelAt(190, probeY)));

    frame.mirrored = true;
    Compose(surface);
    EXPECT_TRUE(isBlue(surface.PixelAt(40, probeY)));
    EXPECT_TRUE(isRed(surface.PixelAt(190, probeY)));
    // Fitted and bottom-anchored: the square picture fills the box between the margins.
    const Extent body = OpaqueExtent(surface, 0, 60, 230, 230, 128);
    EXPECT_NEAR(body.left, 11.5, 2.0);
    EXPECT_NEAR(body.bottom + 1, 230 - 11.5, 2.0);
}

TEST_F(Renderer, CutInIsDrawnOverTheWholeWindowWithItsOwnOpacity) {
    AddPicture(PIC_SLACKING_CUT_IN, 20, 20, [](int, int) { return 0xFF20A040; });
    frame.cutInPicture = PIC_SLACKING_CUT_IN;
    frame.cutInAlpha = 0.5f;
    DibSurface surface(175, 175);
    Compose(surface);
    EXPECT_NEAR(Alpha(surface.PixelAt(10, 165)), 127, 2);
    EXPECT_NEAR(Alpha(surface.PixelAt(87, 87)), 127, 2);

    frame.basePicture = PIC_SPEECHLESS;  // its picture is missing
    frame.cutInPicture = kPictureNone;
    Compose(surface);
    EXPECT_EQ(Alpha(surface.PixelAt(87, 87)), 0u);
}

TEST_F(Renderer, WindowOpacityBecomesTheConstantAlpha) {
    DibSurface surface(230, 230);
    frame.opacity = 0.5f;
    EXPECT_EQ(Compose(surface), 127);
    frame.opacity = 1.0f;
    EXPECT_EQ(Compose(surface), 255);
    frame.opacity = 0.0f;
    EXPECT_EQ(Compose(surface), 0);
}

TEST_F(Renderer, ReactionTextHoldsThenFadesToAFloorAndVanishesAtItsEnd) {
    ReactionText reaction;
    const uint64_t start = 1'000'000;
    reaction.Show(L"摸摸～", start, 3600);
    DibSurface surface(230, 230);
    auto textAlphaAfter = [&](uint64_t ms) {
        const uint64_t now = start + ms;
        frame.reactionText = reaction.Showing(now) ? reaction.text() : L"";
        frame.reactionProgress = reaction.Progress(now);
        Compose(surface);
        // The lower part of the rising heart, clear of the text and its shadow (which overlap
        // each other and so add up to more than one layer's alpha).
        return MaxAlpha(surface, 18, 44, 70, 100);
    };
    EXPECT_EQ(textAlphaAfter(0), 255u);
    EXPECT_EQ(textAlphaAfter(375), 255u);
    EXPECT_NEAR(textAlphaAfter(1000), 148, 2);
    EXPECT_NEAR(textAlphaAfter(1500), 63, 2);
    EXPECT_NEAR(textAlphaAfter(3599), 63, 2);
    EXPECT_EQ(textAlphaAfter(3600), 0u);
}

TEST(FrameText, MissingFontFamilyFallsBackToSansSerif) {
    GdiplusSession session;
    ASSERT_TRUE(session.Start());
    FontFamilyHandle missing = CreateFontFamilyOrSansSerif(L"No Such Family Mossquill");
    EXPECT_NE(missing, nullptr);
    FontFamilyHandle yahei = CreateFontFamilyOrSansSerif(L"Microsoft YaHei UI");
    EXPECT_NE(yahei, nullptr);
}

}  // namespace
