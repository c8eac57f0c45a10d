// Composes pet frames with the real pictures both ways, the direct way (every part drawn with
// GDI+ from the full-size pictures on every frame) and the layered renderer, and prints what each
// costs. Usage:
//   frame_bench cpu [FRAMES]                      CPU per changing frame, both ways, every size,
//                                                 and per frame of a visit card in each phase
//   frame_bench memory direct|layered [FRAMES]    start-up to the first pushed frame, private
//                                                 memory after it and after FRAMES frames
#include "bench/process_figures.h"
#include "render/dib_surface.h"
#include "render/frame_renderer.h"
#include "render/gdiplus_api.h"
#include "render/image_catalogue.h"
#include "render/visit_card.h"
#include "support/direct_frame.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr int kSizes[] = {175, 230, 285};

FrameDescription Frame(int size, PoseId pose, int appearance) {
    FrameDescription frame;
    frame.width = frame.height = size;
    frame.basePicture = BasePictureForPose(pose, appearance);
    frame.cutInPicture = CutInPictureForPose(pose, appearance, true);
    frame.mirrored = true;
    return frame;
}

// How the i-th frame of a changing case differs from the one before.
struct Case {
    const char* name;
    PoseId pose;
    int appearance;
    void (*step)(FrameDescription&, int i);
};

const Case kCases[] = {
    {"walking sway", POSE_NORMAL, 0,
     [](FrameDescription& f, int i) {
         f.swaying = true;
         f.swayPhase = static_cast<float>(i % 40) * 0.157f;
     }},
    {"reaction wiggle and text", POSE_NORMAL, 3,
     [](FrameDescription& f, int i) {
         f.reactionText = L"摸摸～";
         f.reactionProgress = static_cast<float>(i % 38) / 37.0f;
     }},
    {"cut-in fade", POSE_CHEERS, 1,
     [](FrameDescription& f, int i) { f.cutInAlpha = 1.0f - static_cast<float>(i % 46) * 0.022f; }},
    {"walking + text + cut-in", POSE_LATE_NIGHT, 2,
     [](FrameDescription& f, int i) {
         f.swaying = true;
         f.swayPhase = static_cast<float>(i % 40) * 0.157f;
         f.reactionText = L"升级啦！";
         f.reactionProgress = static_cast<float>(i % 38) / 37.0f;
         f.cutInAlpha = 1.0f - static_cast<float>(i % 46) * 0.022f;
     }},
};

// A visit card with a note, composed at steps of one timer tick through one phase of its life.
void PrintCardCosts(FrameRenderer& renderer, int frames) {
    struct Phase {
        const char* name;
        uint64_t fromMs;
        uint64_t toMs;
    };
    const Phase phases[] = {{"art alone", 0, 2850}, {"cross-fade", 2851, 3299}, {"pair with note", 3300, 10000}};
    std::printf("\n%-26s %5s %12s\n", "visit card frame", "size", "ms");
    for (const Phase& phase : phases) {
        for (int petSize : kSizes) {
            const SIZE size = VisitCardSize(petSize);
            VisitCardDescription card;
            card.width = size.cx;
            card.height = size.cy;
            card.visitorNickname = L"小蘑菇";
            card.actionLabel = L"送花";
            card.artPicture = PIC_GREET;
            card.ownPicture = PIC_APPEARANCE0_BASE;
            card.visitorPicture = PIC_APPEARANCE2_BASE;
            card.note = L"今天也要好好喝水哦";
            DibSurface surface(size.cx, size.cy);
            card.elapsedMs = phase.fromMs;
            renderer.ComposeVisitCard(card, surface);
            const double start = ThreadCpuMs();
            for (int i = 0; i < frames; ++i) {
                card.elapsedMs = phase.fromMs + (static_cast<uint64_t>(i) * 40) % (phase.toMs - phase.fromMs + 1);
                card.secondsLeft = static_cast<int>(10 - card.elapsedMs / 1000);
                renderer.ComposeVisitCard(card, surface);
            }
            std::printf("%-26s %5d %12.3f\n", phase.name, petSize, (ThreadCpuMs() - start) / frames);
        }
    }
}

int RunCpu(int frames) {
    ImageCatalogue images;
    images.LoadFromResources(GetModuleHandleW(nullptr));
    const DirectFrame direct(images);
    FrameRenderer layered(images);
    std::printf("%-26s %5s %12s %12s %8s\n", "changing frame", "size", "direct ms", "layered ms", "ratio");
    for (const Case& c : kCases) {
        for (int size : kSizes) {
            FrameDescription frame = Frame(size, c.pose, c.appearance);
            // Today's direct path made a new DIB section for every frame.
            double start = ThreadCpuMs();
            for (int i = 0; i < frames; ++i) {
                c.step(frame, i);
                DibSurface surface(size, size);
                direct.Compose(frame, surface);
            }
            const double directMs = (ThreadCpuMs() - start) / frames;
            // The layered renderer keeps its surface; its layers for this size are made first.
            DibSurface surface(size, size);
            c.step(frame, 0);
            layered.Compose(frame, surface);
            const int layeredFrames = frames * 10;
            start = ThreadCpuMs();
            for (int i = 0; i < layeredFrames; ++i) {
                c.step(frame, i);
                layered.Compose(frame, surface);
            }
            const double layeredMs = (ThreadCpuMs() - start) / layeredFrames;
            std::printf("%-26s %5d %12.3f %12.3f %7.1fx\n", c.name, size, directMs, layeredMs, directMs / layeredMs);
        }
    }
    PrintCardCosts(layered, frames * 2);
    return 0;
}

// The i-th frame of a long run through every size (a new size every sizeBlock frames), pose and
// appearance, with the body swaying, the phrase and the cut-in changing.
FrameDescription CycledFrame(long long i, long long sizeBlock) {
    const int size = kSizes[(i / sizeBlock) % 3];
    const auto pose = static_cast<PoseId>(i % 10);
    FrameDescription frame = Frame(size, pose, static_cast<int>((i / 10) % 4));
    frame.mirrored = (i / 40) % 2 == 0;
    frame.swaying = i % 3 != 0;
    frame.swayPhase = static_cast<float>(i % 40) * 0.157f;
    // Phrases and energy change as seldom as a real pet's do, yet often enough to pass through all.
    if (i % 5 == 0) {
        frame.reactionText = (i / 500) % 2 ? L"摸摸～" : L"好饱～";
        frame.reactionProgress = static_cast<float>(i % 38) / 37.0f;
    }
    frame.cutInAlpha = static_cast<float>(i % 46) / 45.0f;
    frame.energy = static_cast<int>((i / 1000) % 101);
    return frame;
}

int RunMemory(bool layeredWay, long long frames) {
    const char* way = layeredWay ? "layered" : "direct";
    GdiplusSession gdiplus;
    if (!gdiplus.Start()) return 1;
    // As the pet starts: pictures, window, first frame pushed.
    ImageCatalogue images;
    images.LoadFromResources(GetModuleHandleW(nullptr));
    std::unique_ptr<DirectFrame> direct;
    std::unique_ptr<FrameRenderer> layered;
    if (layeredWay) {
        if (!images.Decode(PIC_APPEARANCE0_BASE).image) return 1;
        layered = std::make_unique<FrameRenderer>(images);
    } else {
        direct = std::make_unique<DirectFrame>(images);
    }
    HWND window = CreateLayeredBenchWindow(L"MossquillBenchWindow", DefWindowProcW, 230);
    const FrameDescription first = Frame(230, POSE_NORMAL, 0);
    POINT topLeft{100, 100};
    if (layeredWay) {
        layered->Render(window, topLeft, first);
    } else {
        DibSurface surface(230, 230);
        const BYTE alpha = direct->Compose(first, surface).value_or(255);
        SIZE size{230, 230};
        POINT source{0, 0};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
        UpdateLayeredWindow(window, surface.screenDc(), &topLeft, &size, surface.memoryDc(), &source, 0, &blend,
                            ULW_ALPHA);
    }
    std::printf("%s: first frame pushed %.0f ms after process start\n", way, MsSinceProcessStart());
    PrintMemory(way, "after start-up");

    const long long sizeBlock = std::max(1LL, frames / 10);
    std::unique_ptr<DibSurface> surface;
    const double start = ThreadCpuMs();
    for (long long i = 0; i < frames; ++i) {
        // Every layer of every size exists after the first pass; from then on memory must stay.
        if (i == 3 * sizeBlock) PrintMemory(way, "after the first pass through every size");
        const FrameDescription frame = CycledFrame(i, sizeBlock);
        if (layeredWay) {
            if (!surface || surface->width() != frame.width)
                surface = std::make_unique<DibSurface>(frame.width, frame.height);
            layered->Compose(frame, *surface);
        } else {
            DibSurface perFrame(frame.width, frame.height);
            direct->Compose(frame, perFrame);
        }
    }
    std::printf("%s: %lld composed frames, %.3f ms CPU each\n", way, frames,
                frames ? (ThreadCpuMs() - start) / static_cast<double>(frames) : 0.0);
    PrintMemory(way, "after them");
    DestroyWindow(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "cpu";
    if (std::strcmp(mode, "memory") == 0 && argc > 2) {
        const long long frames = argc > 3 ? std::atoll(argv[3]) : 1000;
        return RunMemory(std::strcmp(argv[2], "layered") == 0, frames);
    }
    GdiplusSession gdiplus;
    if (!gdiplus.Start()) return 1;
    return RunCpu(argc > 2 ? std::atoi(argv[2]) : 100);
}
