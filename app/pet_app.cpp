#include "app/pet_app.h"

#include "core/setting_names.h"
#include "platform/window_scale.h"
#include "online/posted_session_events.h"

namespace {

constexpr DWORD kPetWindowExStyle = WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW;

void ShowStartupError(const wchar_t* text) { MessageBoxW(nullptr, text, kAppTitle, MB_ICONERROR); }

}  // namespace

PetApp::PetApp(HINSTANCE instance, Clock& clock, SettingsStore& settings, Notices& notices, const ServiceHosts& hosts)
    : instance_(instance),
      clock_(clock),
      settings_(settings),
      notices_(notices),
      movement_(window_, settings, static_cast<uint32_t>(clock.Now())),
      online_(hosts) {}

PetApp::~PetApp() { TearDown(); }

bool PetApp::Initialize() {
    if (!gdiplus_.Start()) {
        ShowStartupError(L"无法启动咕噜兽的绘图功能。");
        return false;
    }
    images_.LoadFromResources(instance_);
    if (!images_.Decode(PIC_APPEARANCE0_BASE).image) {
        ShowStartupError(L"咕噜兽的内置形象资源不完整。");
        return false;
    }
    LoadSettings();
    if (!CreatePetWindow()) return false;
    // The handle is only set while no session thread runs (the window is created before the
    // session starts and destroyed after it stopped), so reading it from that thread is safe.
    online_.InstallCallbacks(PostingSessionCallbacks([this] { return window(); }));
    online_.LoadIdentity();
    networkEnabled_ = settings_.ReadDword(setting::kNetworkEnabled).value_or(0) != 0 && online_.HasCompleteIdentity();

    ShowWindow(window(), SW_SHOWNOACTIVATE);
    notifyIcon_.Add(window(), kAppTitle);
    networkChanges_.Start(window());
    hotkeyRegistered_ = RegisterHotKey(window(), kQuickVisitHotkey, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, 'B') != FALSE;
    ApplyKeyboardHook();
    StartTimers();
    pose_.Show(POSE_NORMAL, 0, appearance(), clock_.Now());
    RenderFrame();
    if (networkEnabled_) online_.Start();
    return true;
}

bool PetApp::CreatePetWindow() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_HAND);
    windowClass.lpszClassName = kPetWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    movement_.UseScale(WindowScale(nullptr));
    const int size = movement_.windowSize();
    const ScreenPoint start = movement_.StartPosition(ReadStoredMovement(), StartWorkArea(size));
    HWND created = CreateWindowExW(kPetWindowExStyle, kPetWindowClass, kPetWindowTitle, WS_POPUP, start.x, start.y,
                                   size, size, nullptr, nullptr, instance_, this);
    if (!created) {
        window_.Attach(nullptr);
        return false;
    }
    // The monitor it opened on may have another scale than the system's.
    if (const DisplayScale scale = WindowScale(created); scale != movement_.scale()) movement_.Rescale(scale, start);
    movement_.Start(start, clock_.Now());
    return true;
}

LRESULT CALLBACK PetApp::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* app = static_cast<PetApp*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        app->window_.Attach(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(app));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    auto* app = reinterpret_cast<PetApp*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!app) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window is gone: an operation still running (say, behind a message box) must find no
        // window, and no late message may reach this object.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        app->window_.Attach(nullptr);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return app->HandleMessage(window, message, wParam, lParam);
}

void PetApp::StartTimers() {
    SetTimer(window(), kFrameTimer, kFrameIntervalMs, nullptr);
    SetTimer(window(), kClockTimer, kClockIntervalMs, nullptr);
}

void PetApp::TearDown() {
    online_.Stop();
    keyboardHook_.Remove();
    if (HWND hwnd = window()) {
        KillTimer(hwnd, kFrameTimer);
        KillTimer(hwnd, kClockTimer);
        UnregisterHotKey(hwnd, kQuickVisitHotkey);
        // Still open (the object goes without the window having been closed): it goes too, cut
        // loose first, so that neither its destruction nor a message still queued for it (a
        // friend list the session posted, say) reaches this object once it is gone.
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        window_.Attach(nullptr);
        DestroyWindow(hwnd);
    }
    images_.Clear();
    gdiplus_.Shutdown();
}
