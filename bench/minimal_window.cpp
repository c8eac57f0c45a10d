// The least a windowed program costs under the same Wine: a layered window with the pet's two
// timers doing nothing. Usage: minimal_window SECONDS
#include "bench/process_figures.h"

#include <cstdio>
#include <cstdlib>

namespace {

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == 3) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    HWND window = CreateLayeredBenchWindow(L"MossquillMinimalWindow", Procedure, 230);
    SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
    SetTimer(window, 1, 40, nullptr);
    SetTimer(window, 2, 1000, nullptr);
    SetTimer(window, 3, static_cast<UINT>(seconds) * 1000, nullptr);
    PrintMemory("minimal window", "after start-up");
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    FILETIME creation{}, exit{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    std::printf("minimal window: %.0f ms CPU in %d s (%.2f %% of one core)\n", FiletimeMs(kernel) + FiletimeMs(user),
                seconds, (FiletimeMs(kernel) + FiletimeMs(user)) / (seconds * 10.0));
    PrintMemory("minimal window", "at the end");
    DestroyWindow(window);
    return 0;
}
