// The layered renderer against the direct reference, with the real pictures, pixel by pixel; a
// contact sheet of both (reference, layered, difference x4) is written for a human look.
#include "render/dib_surface.h"
#include "render/frame_renderer.h"
#include "support/direct_frame.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Difference {
    int largest = 0;        // largest channel difference of any pixel
    double mean = 0;        // mean channel difference
    double shareAbove = 0;  // share of pixels with a channel differing by more than kFar
};

constexpr int kFar = 48;

int Channel(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }

Difference Compare(const DibSurface& a, const DibSurface& b) {
    Difference d;
    long long total = 0;
    int distant = 0;
    const int n = a.width() * a.height();
    for (int i = 0; i < n; ++i) {
        int worst = 0;
        for (int shift : {0, 8, 16, 24}) {
            const int c = std::abs(Channel(a.pixels()[i], shift) - Channel(b.pixels()[i], shift));
            total += c;
            worst = std::max(worst, c);
        }
        d.largest = std::max(d.largest, worst);
        if (worst > kFar) ++distant;
    }
    d.mean = static_cast<double>(total) / (4.0 * n);
    d.shareAbove = static_cast<double>(distant) / n;
    return d;
}

// Premultiplied pixels over a light grey card, as the user would see them on a light desktop.
ARGB OnCard(uint32_t p) {
    const int a = Channel(p, 24);
    auto mix = [&](int shift) { return std::min(255, Channel(p, shift) + (0xE8 * (255 - a) + 127) / 255); };
    return 0xFF000000u | (mix(16) << 16) | (mix(8) << 8) | mix(0);
}

class ContactSheet {
public:
    explicit ContactSheet(int cell) : cell_(cell) {}
    void AddRow(const DibSurface& reference, const DibSurface& layered) {
        const int s = reference.width();
        std::vector<ARGB> row(static_cast<size_t>(cell_) * 3 * cell_, 0xFFFFFFFF);
        for (int y = 0; y < s; ++y) {
            for (int x = 0; x < s; ++x) {
                const uint32_t r = reference.PixelAt(x, y), l = layered.PixelAt(x, y);
                row[static_cast<size_t>(y) * cell_ * 3 + x] = OnCard(r);
                row[static_cast<size_t>(y) * cell_ * 3 + cell_ + x] = OnCard(l);
                int worst = 0;
                for (int shift : {0, 8, 16, 24})
                    worst = std::max(worst, std::abs(Channel(r, shift) - Channel(l, shift)));
                const int v = 255 - std::min(255, 4 * worst);
                row[static_cast<size_t>(y) * cell_ * 3 + 2 * cell_ + x] = 0xFF000000u | (255 << 16) | (v << 8) | v;
            }
        }
        pixels_.insert(pixels_.end(), row.begin(), row.end());
        ++rows_;
    }
    bool Save(const char* path) const {
        const std::vector<uint8_t> png = EncodePng(
            cell_ * 3, cell_ * rows_, [&](int x, int y) { return pixels_[static_cast<size_t>(y) * cell_ * 3 + x]; });
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
        return !png.empty() && file.good();
    }

private:
    int cell_;
    int rows_ = 0;
    std::vector<ARGB> pixels_;
};

struct Case {
    const char* name;
    PoseId pose;
    int appearance;
    bool showAppearanceCutIn;
    bool mirrored;
    bool swaying;
    float swayPhase;
    float cutInAlpha;
    const wchar_t* reaction;
    float reactionProgress;
};

TEST(FrameComparison, LayeredFramesMatchTheDirectOnesAcrossPosesSizesAndMotion) {
    GdiplusSession session;
    ASSERT_TRUE(session.Start());
    ImageCatalogue images;
    images.LoadFromResources(GetModuleHandleW(nullptr));
    const DirectFrame direct(images);
    FrameRenderer renderer(images);

    const Case cases[] = {
        {"standing, facing left", POSE_NORMAL, 0, false, true, false, 0, 0, nullptr, 0},
        {"standing, facing right", POSE_NORMAL, 0, false, false, false, 0, 0, nullptr, 0},
        {"walking, mid-step", POSE_NORMAL, 0, false, true, true, 1.5f, 0, nullptr, 0},
        {"walking, other foot, right", POSE_NORMAL, 1, false, false, true, 4.4f, 0, nullptr, 0},
        {"walking, feet down", POSE_NORMAL, 2, false, true, true, 0.0f, 0, nullptr, 0},
        {"grand mage with its cut-in", POSE_NORMAL, 3, true, true, false, 0, 1.0f, nullptr, 0},
        {"novice cut-in fading", POSE_NORMAL, 1, true, false, false, 0, 0.37f, nullptr, 0},
        {"speechless", POSE_SPEECHLESS, 0, false, true, false, 0, 0, nullptr, 0},
        {"begging, petted", POSE_BEGGING, 2, false, false, false, 0, 0, L"摸摸～", 0.1f},
        {"flying, phrase fading", POSE_FLYING, 0, false, true, true, 2.2f, 0, L"好开心！", 0.7f},
        {"cheers half faded", POSE_CHEERS, 1, false, false, false, 0, 0.5f, nullptr, 0},
        {"dragon won", POSE_DRAGON_WON, 0, false, true, false, 0, 0.8f, nullptr, 0},
        {"dragon lost", POSE_DRAGON_LOST, 3, false, false, false, 0, 0.1f, nullptr, 0},
        {"off work, walking", POSE_OFF_WORK, 2, false, true, true, 0.9f, 0.66f, nullptr, 0},
        {"slacking, faint phrase", POSE_SLACKING, 3, false, false, false, 0, 0.3f, L"升级啦", 1.0f},
        {"late night, walking + phrase", POSE_LATE_NIGHT, 0, false, true, true, 5.5f, 0.9f, L"摸摸～", 0.45f},
    };
    ContactSheet sheet(285);
    double worstMean = 0, worstShare = 0;
    for (int size : {175, 230, 285}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(size));
            FrameDescription frame;
            frame.width = frame.height = size;
            frame.basePicture = BasePictureForPose(c.pose, c.appearance);
            frame.cutInPicture = CutInPictureForPose(c.pose, c.appearance, c.showAppearanceCutIn);
            frame.cutInAlpha = c.cutInAlpha;
            frame.mirrored = c.mirrored;
            frame.swaying = c.swaying;
            frame.swayPhase = c.swayPhase;
            if (c.reaction) frame.reactionText = c.reaction;
            frame.reactionProgress = c.reactionProgress;
            frame.energy = 37 + size % 50;
            frame.opacity = 0.8f;

            DibSurface reference(size, size), layered(size, size);
            ASSERT_TRUE(reference.valid() && layered.valid());
            const std::optional<BYTE> directAlpha = direct.Compose(frame, reference);
            const std::optional<BYTE> layeredAlpha = renderer.Compose(frame, layered);
            GdiFlush();
            ASSERT_TRUE(directAlpha && layeredAlpha);
            EXPECT_EQ(*directAlpha, *layeredAlpha);
            const Difference d = Compare(reference, layered);
            // The body is resampled twice where the direct frame resamples once: bicubic to its
            // box at rest, then, only while it moves, bilinear at the sway's scale (0.97..1.08)
            // and turn (up to 5 degrees). At rest the copy lands on whole pixels and must match
            // to rounding. In motion outlines may soften by a fraction of a pixel; the yardstick
            // is the same frame drawn directly with the body moved by half a pixel, which nobody
            // can see: the layered frame must differ from the direct one no more than that.
            const bool atRest = !frame.swaying && frame.reactionText.empty();
            if (atRest) {
                EXPECT_LE(d.largest, 4) << "a frame at rest is copied pixel for pixel";
            } else {
                DibSurface nudged(size, size);
                direct.Compose(frame, nudged, 0.5f);
                GdiFlush();
                const Difference yardstick = Compare(reference, nudged);
                EXPECT_LE(d.mean, yardstick.mean) << "mean channel difference";
                EXPECT_LE(d.shareAbove, yardstick.shareAbove) << "share of pixels differing by more than " << kFar;
                std::printf("  yardstick: mean %.3f far %.4f\n", yardstick.mean, yardstick.shareAbove);
            }
            std::printf("%-32s %3d  largest %3d  mean %.3f  far %.4f\n", c.name, size, d.largest, d.mean, d.shareAbove);
            worstMean = std::max(worstMean, d.mean);
            worstShare = std::max(worstShare, d.shareAbove);
            if (size == 285 || &c == &cases[0] || &c == &cases[15]) sheet.AddRow(reference, layered);
        }
    }
    std::printf("worst mean %.3f, worst share beyond %d: %.4f\n", worstMean, kFar, worstShare);
    EXPECT_TRUE(sheet.Save(MOSSQUILL_CONTACT_SHEET)) << MOSSQUILL_CONTACT_SHEET;
}

}  // namespace
