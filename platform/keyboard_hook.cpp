#include "platform/keyboard_hook.h"

#include <future>

std::atomic<bool> g_countingEnabled{false};
std::atomic<uint32_t> g_pendingKeyPresses{0};

namespace {

// What the hook's thread reports once it has tried to set the hook.
struct HookStart {
    DWORD threadId = 0;
    bool hooked = false;
};

// Sets the hook and keeps its messages flowing until WM_QUIT arrives, then unhooks here, on the
// thread that set it.
void RunHookThread(HINSTANCE instance, std::promise<HookStart> started) {
    MSG message;
    // Creates this thread's message queue, so a WM_QUIT posted from now on is kept.
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHookProc, instance, 0);
    started.set_value(HookStart{GetCurrentThreadId(), hook != nullptr});
    if (!hook) return;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    UnhookWindowsHookEx(hook);
}

}  // namespace

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && lParam != 0 && (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN) && g_countingEnabled.load()) {
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        // Keys sent by software (on-screen keyboards, macro tools) are not the user's work.
        if ((event->flags & LLKHF_INJECTED) == 0) g_pendingKeyPresses.fetch_add(1);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool KeyboardHook::Install(HINSTANCE instance) {
    if (!thread_.joinable()) {
        std::promise<HookStart> promise;
        std::future<HookStart> reported = promise.get_future();
        thread_ = std::thread(RunHookThread, instance, std::move(promise));
        const HookStart start = reported.get();
        if (start.hooked) {
            threadId_ = start.threadId;
        } else {
            thread_.join();
        }
    }
    g_countingEnabled.exchange(thread_.joinable());
    return thread_.joinable();
}

void KeyboardHook::Remove() {
    g_countingEnabled.exchange(false);
    if (!thread_.joinable()) return;
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
    threadId_ = 0;
}
