// The key-press hook for real: hardware keys from the X server are counted, keys injected by
// software are not, and nothing is counted while counting is switched off.
#include "pet/growth.h"
#include "platform/keyboard_hook.h"
#include "support/offline_pet.h"
#include "support/poll_until.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <utility>

namespace {

// Keeps the thread's messages flowing (low-level hooks run inside them) for a while.
void PumpFor(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    for (DWORD now = GetTickCount(); now < end; now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
}

// Pumps until the condition holds; false when it still does not after a generous limit.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 20000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= limitMs) return false;
        PumpFor(25);
    }
    return true;
}

bool CountedAtLeast(uint32_t presses) { return g_pendingKeyPresses.load() >= presses; }

// Starts a Linux program (Wine starts Unix executables directly).
void StartUnix(std::wstring commandLine, PROCESS_INFORMATION& process) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    ASSERT_TRUE(
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
}

// Runs a Linux program while pumping messages.
void RunUnix(std::wstring commandLine) {
    PROCESS_INFORMATION process{};
    StartUnix(std::move(commandLine), process);
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void InjectKeys(int count) {
    for (int i = 0; i < count; ++i) {
        INPUT keys[2]{};
        for (INPUT& key : keys) {
            key.type = INPUT_KEYBOARD;
            key.ki.wVk = 'K';
            key.ki.wScan = static_cast<WORD>(MapVirtualKeyW('K', MAPVK_VK_TO_VSC));
        }
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
    }
}

// A focused window of ours, so the X server's keys reach this Wine process.
class FocusWindow {
public:
    FocusWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"MossquillKeyTarget";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, L"MossquillKeyTarget", L"keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300,
                                  200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetForegroundWindow(window_);
        PumpUntil([this] { return GetForegroundWindow() == window_; });
    }
    ~FocusWindow() { DestroyWindow(window_); }

private:
    HWND window_;
};

// A focused window whose own thread keeps pumping: the keys typed into it stand for keys typed into
// another program while the thread that installed the hook is busy.
class FocusWindowOnItsOwnThread {
public:
    FocusWindowOnItsOwnThread()
        : thread_([this] {
              FocusWindow focus;
              ready_.set_value();
              while (!stop_.load())
                  PumpFor(50);
          }) {
        ready_.get_future().wait();
    }
    ~FocusWindowOnItsOwnThread() {
        stop_ = true;
        thread_.join();
    }

private:
    std::promise<void> ready_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Waits for a Linux program without looking at a single message, as an interface thread does
// during a synchronous call to the service.
void RunUnixWithoutPumping(std::wstring commandLine) {
    PROCESS_INFORMATION process{};
    StartUnix(std::move(commandLine), process);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

TEST(KeyboardHook, CountsHardwareKeyDownsOnlyAndOnlyWhileSwitchedOn) {
    FocusWindow focus;
    FakeClock clock(2026, 12, 9);
    MemorySettingsStore store;
    Growth growth(store);
    StoredGrowth stored;
    stored.autoTypingEnabled = true;
    growth.Restore(stored, clock.LocalTime());
    KeyboardHook hook;
    ASSERT_TRUE(hook.Install(GetModuleHandleW(nullptr)));
    EXPECT_TRUE(hook.installed());
    EXPECT_TRUE(g_countingEnabled.load());
    g_pendingKeyPresses = 0;

    // Input is handled in the order it came: once the typed keys are counted, the injected ones
    // before them have been seen too.
    InjectKeys(5);
    RunUnix(L"/usr/bin/xdotool key --delay 30 a b c d");
    EXPECT_TRUE(PumpUntil([] { return CountedAtLeast(4); }));
    PumpFor(300);  // time for a press counted twice to show
    EXPECT_EQ(g_pendingKeyPresses.load(), 4u)
        << "four presses, each counted once (key-ups are not); keys sent by software are not the user's";

    EXPECT_TRUE(growth.CreditPresses(KeyboardHook::TakeCountedPresses(), clock.LocalTime()).credited);
    EXPECT_EQ(growth.weeklyWords(), 4);
    EXPECT_EQ(g_pendingKeyPresses.load(), 0u);

    hook.Remove();
    EXPECT_FALSE(hook.installed());
    EXPECT_FALSE(g_countingEnabled.load());
    RunUnix(L"/usr/bin/xdotool key --delay 30 e f");
    PumpFor(300);  // nothing to wait for: these keys must never count
    EXPECT_EQ(g_pendingKeyPresses.load(), 0u);
}

TEST(KeyboardHook, ThePetInstallsItOnlyWhileCountingIsOn) {
    OfflinePet off;
    PetApp& offApp = off.Loaded();
    offApp.ApplyKeyboardHook();
    EXPECT_FALSE(g_countingEnabled.load());

    OfflinePet on;
    on.store.dwords[L"AutoTypingEnabled"] = 1;
    PetApp onApp(GetModuleHandleW(nullptr), on.clock, on.store, on.notices);
    onApp.LoadSettings();
    onApp.ApplyKeyboardHook();
    EXPECT_TRUE(g_countingEnabled.load());
    EXPECT_TRUE(on.notices.shown.empty());
}

TEST(KeyboardHook, CountsWhileTheInstallingThreadIsBusy) {
    FocusWindowOnItsOwnThread focus;
    KeyboardHook hook;
    ASSERT_TRUE(hook.Install(GetModuleHandleW(nullptr)));
    // A real click gives the window the X server's focus, wherever an earlier window left it; a
    // key that is counted shows the focus has arrived.
    RunUnixWithoutPumping(L"/usr/bin/xdotool mousemove 250 200 click 1");
    g_pendingKeyPresses = 0;
    ASSERT_TRUE(PollUntil(std::chrono::seconds(20), [] {
        RunUnixWithoutPumping(L"/usr/bin/xdotool key z");
        return PollUntil(std::chrono::seconds(1), [] { return CountedAtLeast(1); });
    }));
    g_pendingKeyPresses = 0;
    RunUnixWithoutPumping(L"/usr/bin/xdotool key --delay 30 a b c");
    EXPECT_TRUE(PollUntil(std::chrono::seconds(20), [] { return CountedAtLeast(3); }));
    EXPECT_EQ(g_pendingKeyPresses.load(), 3u) << "counted while this thread never pumped";
    hook.Remove();
    EXPECT_FALSE(g_countingEnabled.load());
}

}  // namespace
