// Composes pet frames with the real pictures and prints the CPU time each one costs the UI thread.
// Usage: frame_bench [frames per case]
#include "render/dib_surface.h"
#include "render/frame_renderer.h"
#include "render/gdiplus_api.h"
#include "render/image_catalogue.h"

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>

namespace {

double ThreadCpuMs() {
    FILETIME creation{}, exit{}, kernel{}, user{};
    GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user);
    auto ms = [](FILETIME t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

// Committed memory of the process: frames that leak GDI or GDI+ objects make it grow.
double CommittedMegabytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    return static_cast<double>(counters.PagefileUsage) / (1024.0 * 1024.0);
}

struct Case {
    const char* name;
    PoseId pose;
    int appearance;
    bool walking;
    bool reaction;
    float cutInAlpha;
};

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 200;
    GdiplusSession gdiplus;
    if (!gdiplus.Start()) return 1;
    // The pictures come from this program's own resources, as in the pet.
    ImageCatalogue images;
    images.LoadFromResources(GetModuleHandleW(nullptr));
    const FrameRenderer renderer(images);

    const Case cases[] = {
        {"plain pet", POSE_NORMAL, 0, false, false, 0.0f},
        {"grand mage walking + reaction text", POSE_NORMAL, 3, true, true, 0.0f},
        {"cheers with cut-in", POSE_CHEERS, 1, false, false, 0.6f},
    };
    const double memoryBefore = CommittedMegabytes();
    int composed = 0;
    std::printf("%-36s %6s %10s %12s\n", "frame", "size", "frames", "cpu ms/frame");
    for (const Case& c : cases) {
        for (int size : {175, 230, 285}) {
            FrameDescription frame;
            frame.width = frame.height = size;
            frame.basePicture = BasePictureForPose(c.pose, c.appearance);
            frame.cutInPicture = CutInPictureForPose(c.pose, c.appearance, false);
            frame.cutInAlpha = c.cutInAlpha;
            frame.swaying = c.walking;
            if (c.reaction) frame.reactionText = L"摸摸～";
            const double start = ThreadCpuMs();
            for (int i = 0; i < frames; ++i) {
                frame.swayPhase = static_cast<float>(i % 20) * 0.3f;
                frame.reactionProgress = static_cast<float>(i % 38) / 37.0f;
                DibSurface surface(size, size);
                renderer.Compose(frame, surface);
                ++composed;
            }
            const double perFrame = (ThreadCpuMs() - start) / frames;
            std::printf("%-36s %6d %10d %12.2f\n", c.name, size, frames, perFrame);
        }
    }
    std::printf("committed memory: %.1f MB before, %.1f MB after %d frames\n", memoryBefore, CommittedMegabytes(), composed);
    return 0;
}
