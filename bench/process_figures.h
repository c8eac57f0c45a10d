#pragma once

#include <windows.h>

#include <psapi.h>

#include <cstdint>
#include <cstdio>

// Figures of the running process, as the benchmarks print them.
inline double FiletimeMs(FILETIME t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
}

// CPU time of the calling thread.
inline double ThreadCpuMs() {
    FILETIME creation{}, exit{}, kernel{}, user{};
    GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user);
    return FiletimeMs(kernel) + FiletimeMs(user);
}

// Milliseconds since the process was created.
inline double MsSinceProcessStart() {
    FILETIME creation{}, exit{}, kernel{}, user{}, now{};
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    return FiletimeMs(now) - FiletimeMs(creation);
}

struct MemoryFigures {
    double privateMb = 0;    // PrivateUsage
    double committedMb = 0;  // PagefileUsage
};

inline MemoryFigures Memory() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    return {static_cast<double>(counters.PrivateUsage) / (1024.0 * 1024.0),
            static_cast<double>(counters.PagefileUsage) / (1024.0 * 1024.0)};
}

// "private A MB, committed B MB"
inline void PrintMemory(const char* who, const char* when) {
    const MemoryFigures m = Memory();
    std::printf("%s: private memory %.1f MB, committed %.1f MB %s\n", who, m.privateMb, m.committedMb, when);
    std::fflush(stdout);
}

// A shown, topmost layered tool window like the pet's, at (100, 100).
inline HWND CreateLayeredBenchWindow(const wchar_t* className, WNDPROC procedure, int size) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, className, L"", WS_POPUP, 100, 100,
                                  size, size, nullptr, nullptr, windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}
