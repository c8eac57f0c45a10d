#include "app/pet_app.h"
#include "core/owned_handle.h"
#include "platform/registry_settings_store.h"
#include "platform/system_clock.h"

#include <commctrl.h>
#include <ole2.h>

namespace {

void ReleaseAndClose(HANDLE mutex) {
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

// Owns the single-instance mutex for the whole run.
using InstanceMutex = OwnedHandle<HANDLE, ReleaseAndClose>;

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
