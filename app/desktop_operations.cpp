// The operations that keep the pet out of the way of full-screen programs and findable from the
// notification area.
#include "app/pet_app.h"

#include "core/setting_names.h"
#include "desktop/foreground_probe.h"

void PetApp::WatchFullScreen(uint64_t now) {
    if (window() && fullScreen_.Due(now)) ApplyFullScreenChange(fullScreen_.Observe(FullScreenWindowInFront(window())));
}

void PetApp::ApplyFullScreenChange(FullScreenWatch::Change change) {
    if (change == FullScreenWatch::Change::None || !window()) return;
    if (change == FullScreenWatch::Change::Hide) {
        ShowWindow(window(), SW_HIDE);
        return;
    }
    // A card that arrived meanwhile has had no time on screen yet.
    visits_.Restart(clock_.Now());
    ShowWindow(window(), SW_SHOWNOACTIVATE);
    renderer_.Invalidate();
    RenderFrame();
    // Each box is shown once; boxes held again while these are open wait for the next return.
    for (const PendingBox& box : deferredBoxes_.Release())
        notices_.Show(window(), box.text, box.caption.c_str(), box.flags);
}

void PetApp::ShowOwnNotice(const std::wstring& text, const wchar_t* caption, UINT flags) {
    if (fullScreen_.hidden()) {
        deferredBoxes_.Hold(PendingBox{text, caption, flags});
        return;
    }
    notices_.Show(window(), text, caption, flags);
}

void PetApp::SetHideWhenFullScreen(bool hide) {
    settings_.WriteSettingDword(setting::kHideWhenFullScreen, hide ? 1 : 0);
    ApplyFullScreenChange(fullScreen_.SetEnabled(hide));
}

void PetApp::BringIntoView() {
    ApplyFullScreenChange(fullScreen_.Summon());
    if (visitShowing_) return;
    // A pet left on a monitor that was unplugged, or half off the screen, comes back whole.
    ClampIntoWorkArea();
}

void PetApp::OnNotifyIcon(UINT mouseMessage) {
    switch (mouseMessage) {
    case WM_LBUTTONUP:
        BringIntoView();
        break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
        if (visitShowing_)
            ShowReactionMenu();
        else
            ShowContextMenu();
        break;
    default:
        break;
    }
}
