// Composes pet frames with the real pictures and prints the CPU time each one costs the UI thread.
// Usage: frame_bench [frames per case]
#include "app/pet_app.h"
#include "render/dib_surface.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The pictures come from this program's own resources, as in the pet.
class BenchClock final : public Clock {
public:
    uint64_t Now() const override { return tick; }
    SYSTEMTIME LocalTime() const override {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return now;
    }
    std::optional<uint32_t> MillisecondsSinceLastInput() const override { return 0; }
    uint64_t tick = 10'000'000;
};

class NullSettings final : public SettingsStore {
public:
    std::optional<DWORD> ReadDword(const wchar_t*) const override { return std::nullopt; }
    void WriteSettingDword(const wchar_t*, DWORD) override {}
    std::optional<std::wstring> ReadString(const wchar_t*) const override { return std::nullopt; }
    void WriteSettingString(const wchar_t*, const std::wstring&) override {}
};

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
    BenchClock clock;
    NullSettings settings;
    MessageBoxNotices notices;
    PetApp app(GetModuleHandleW(nullptr), clock, settings, notices);
    if (!app.gdiplus.Start()) return 1;
    app.images.LoadFromResources(GetModuleHandleW(nullptr));

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
            app.pose = c.pose;
            app.selectedAppearance = c.appearance;
            app.walking = c.walking;
            app.cutInAlpha = c.cutInAlpha;
            app.reactionStartTick = clock.tick;
            app.reactionEndTick = c.reaction ? clock.tick + 1'000'000 : 0;
            const double start = ThreadCpuMs();
            for (int i = 0; i < frames; ++i) {
                clock.tick += 40;
                app.walkPhase = static_cast<float>(i % 20) * 0.3f;
                DibSurface surface(size, size);
                app.ComposeFrame(surface);
                ++composed;
            }
            const double perFrame = (ThreadCpuMs() - start) / frames;
            std::printf("%-36s %6d %10d %12.2f\n", c.name, size, frames, perFrame);
        }
    }
    std::printf("committed memory: %.1f MB before, %.1f MB after %d frames\n", memoryBefore, CommittedMegabytes(), composed);
    return 0;
}
