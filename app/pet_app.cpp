#include "app/pet_app.h"

#include "core/setting_names.h"
#include "app/start_position.h"

namespace {

void ShowStartupError(const wchar_t* text) { MessageBoxW(nullptr, text, kAppTitle, MB_ICONERROR); }

LRESULT CALLBACK PetWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* app = static_cast<PetApp*>(create->lpCreateParams);
        app->hwnd = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(app));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    auto* app = reinterpret_cast<PetApp*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!app) return DefWindowProcW(window, message, wParam, lParam);
    return app->HandleMessage(window, message, wParam, lParam);
}

}  // namespace

PetApp::PetApp(HINSTANCE instance, Clock& clock, SettingsStore& settings, Notices& notices)
    : instance(instance), clock(clock), settings(settings), notices(notices), rng(static_cast<uint32_t>(clock.Now())) {}

PetApp::~PetApp() { TearDown(); }

bool PetApp::Initialize() {
    if (!gdiplus.Start()) {
        ShowStartupError(L"无法启动咕噜兽的绘图功能。");
        return false;
    }
    images.LoadFromResources(instance);
    if (!images.Find(PIC_APPEARANCE0_BASE)) {
        ShowStartupError(L"咕噜兽的内置形象资源不完整。");
        return false;
    }
    LoadSettings();
    if (!CreatePetWindow()) return false;
    online.LoadIdentity();
    networkEnabled = settings.ReadDword(setting::kNetworkEnabled).value_or(0) != 0 && online.HasCompleteIdentity();

    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    hotkeyRegistered = RegisterHotKey(hwnd, HOTKEY_QUICK_VISIT, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, 'B') != FALSE;
    ApplyKeyboardHook();
    StartTimers();
    poseStartTick = clock.Now();
    nextDashTick = clock.Now() + kFirstDashDelayMs;
    cutInAlpha = HasCutIn() ? 1.0f : 0.0f;
    RenderFrame();
    return true;
}

bool PetApp::CreatePetWindow() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = PetWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_HAND);
    windowClass.lpszClassName = kPetWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    auto read = [this](const wchar_t* name) -> std::optional<int> {
        auto value = settings.ReadDword(name);
        if (!value) return std::nullopt;
        return static_cast<int32_t>(*value);
    };
    const POINT start = ChooseStartPosition(StartWorkArea(petSize), petSize, read(setting::kPetX), read(setting::kPetY));
    CreateWindowExW(kPetWindowExStyle, kPetWindowClass, kPetWindowTitle, WS_POPUP, start.x, start.y, petSize,
                    petSize, nullptr, nullptr, instance, this);
    if (!hwnd) return false;
    homePosition = start;
    return true;
}

void PetApp::StartTimers() {
    SetTimer(hwnd, TIMER_FRAME, kFrameIntervalMs, nullptr);
    SetTimer(hwnd, TIMER_SECOND, kSecondIntervalMs, nullptr);
}

void PetApp::TearDown() {
    RemoveKeyboardHook();
    if (hwnd) {
        KillTimer(hwnd, TIMER_FRAME);
        KillTimer(hwnd, TIMER_SECOND);
        UnregisterHotKey(hwnd, HOTKEY_QUICK_VISIT);
    }
    images.Clear();
    gdiplus.Shutdown();
}
