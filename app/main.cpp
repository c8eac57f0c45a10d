#include "app/pet_app.h"

#include <commctrl.h>
#include <ole2.h>

namespace {

// Owns the single-instance mutex for the whole run.
class InstanceMutex {
public:
    explicit InstanceMutex(HANDLE handle) : handle_(handle) {}
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;
    ~InstanceMutex() {
        ReleaseMutex(handle_);
        CloseHandle(handle_);
    }

private:
    HANDLE handle_;
};

int RunMessageLoop() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

int RunPet(HINSTANCE instance) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);
    int exitCode = 1;
    {
        SystemClock clock;
        RegistrySettingsStore settings;
        MessageBoxNotices notices;
        PetApp app(instance, clock, settings, notices);
        if (app.Initialize()) exitCode = RunMessageLoop();
        OleUninitialize();
    }
    return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\MossquillDesktopPetV5");
    if (!mutex) return 1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        MessageBoxW(nullptr, L"咕噜兽已经在桌面上陪你啦。", kAppTitle, MB_ICONINFORMATION);
        CloseHandle(mutex);
        return 1;
    }
    InstanceMutex owned(mutex);
    return RunPet(instance);
}
