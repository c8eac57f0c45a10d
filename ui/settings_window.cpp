#include "ui/settings_window.h"

#include "platform/window_scale.h"
#include "online/service_bounds.h"
#include "ui/clock_time.h"
#include "ui/modal_window.h"
#include "ui/scaled_controls.h"

namespace {

constexpr DWORD kTabStop = WS_TABSTOP;
constexpr DWORD kGroupBox = BS_GROUPBOX;
constexpr DWORD kDropDownList = WS_TABSTOP | CBS_DROPDOWNLIST;
constexpr DWORD kCheckBox = WS_TABSTOP | BS_AUTOCHECKBOX;

// In creation order, which is also the order Tab walks.
constexpr ControlLayout kControls[] = {
    {L"BUTTON", 0, L"常规", kGroupBox, 0, {14, 10, 492, 112}},
    {L"STATIC", 0, L"大小：", 0, 0, {30, 37, 70, 22}},
    {L"COMBOBOX", kSettingsSizeId, L"", kDropDownList, 0, {102, 33, 130, 120}},
    {L"BUTTON", kSettingsStartupId, L"开机自动启动咕噜兽", kCheckBox, 0, {265, 35, 210, 22}},
    {L"STATIC", 0, L"移动模式：", 0, 0, {30, 78, 72, 22}},
    {L"COMBOBOX", kSettingsMovementId, L"", kDropDownList, 0, {102, 73, 220, 160}},
    {L"BUTTON", 0, L"提醒", kGroupBox, 0, {14, 132, 492, 112}},
    {L"STATIC", 0, L"喝水：", 0, 0, {30, 160, 70, 22}},
    {L"COMBOBOX", kSettingsWaterId, L"", kDropDownList, 0, {102, 155, 160, 120}},
    {L"BUTTON", kSettingsOffworkId, L"到点下班", kCheckBox, 0, {30, 203, 100, 22}},
    {L"EDIT", kSettingsOffworkTimeId, L"", kTabStop | ES_AUTOHSCROLL | ES_CENTER, WS_EX_CLIENTEDGE, {132, 199, 78, 25}},
    {L"STATIC", 0, L"例如 18:30", 0, 0, {222, 203, 110, 22}},
    {L"BUTTON", 0, L"成长与隐私", kGroupBox, 0, {14, 254, 492, 82}},
    {L"BUTTON", kSettingsCountingId, L"自动统计输入活跃值（不记录文字和具体按键）", kCheckBox, 0, {30, 280, 410, 22}},
    {L"STATIC", 0, L"今日零点清零；本周进度每周一清零，已解锁形象保留。", 0, 0, {48, 306, 420, 20}},
    {L"BUTTON", 0, L"联机与好友", kGroupBox, 0, {14, 346, 492, 114}},
    {L"BUTTON", kSettingsOnlineId, L"启用联机", kCheckBox, 0, {30, 374, 100, 22}},
    {L"STATIC", 0, L"昵称：", 0, 0, {160, 376, 56, 22}},
    {L"EDIT", kSettingsNicknameId, L"", kTabStop | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, {218, 371, 180, 25}},
    {L"STATIC", 0, L"快捷串门：Ctrl + Alt + B；添加好友仍使用一次性配对码。", 0, 0, {30, 410, 430, 22}},
    {L"STATIC", 0, L"好友、设备身份和已解锁形象不会因更新或恢复默认而删除。", 0, 0, {30, 435, 440, 20}},
    {L"BUTTON", kSettingsDefaultsId, L"恢复常用默认", kTabStop, 0, {18, 478, 112, 29}},
    {L"BUTTON", IDOK, L"保存", kTabStop | BS_DEFPUSHBUTTON, 0, {334, 478, 78, 29}},
    {L"BUTTON", IDCANCEL, L"取消", kTabStop, 0, {424, 478, 78, 29}},
};

const wchar_t* const kSizeItems[] = {L"小", L"中", L"大"};
const wchar_t* const kMovementItems[] = {L"静止", L"沿边散步", L"随机乱窜", L"散步与乱窜混合"};
const wchar_t* const kWaterItems[] = {L"关闭", L"每 30 分钟", L"每 45 分钟"};

constexpr int kOffworkTimeLimit = 5;

// What "恢复常用默认" puts into the controls; online and nickname stay as they are.
constexpr int kDefaultSizeIndex = 1;
constexpr int kDefaultMovementIndex = 1;
constexpr int kDefaultWaterIndex = 2;
constexpr wchar_t kDefaultOffworkTime[] = L"18:00";

// Lives on Run's stack frame; the window reaches it through its user data.
struct SettingsSession {
    SettingsState& state;
    Notices& notices;
    ScaledControls& controls;
};

HWND Control(HWND window, int id) { return GetDlgItem(window, id); }

template <size_t N>
void FillCombo(HWND combo, const wchar_t* const (&items)[N], int32_t selected) {
    for (const wchar_t* item : items)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void SetCheck(HWND window, int id, bool checked) {
    SendMessageW(Control(window, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool IsChecked(HWND window, int id) { return SendMessageW(Control(window, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

int32_t Selection(HWND window, int id) {
    return static_cast<int32_t>(SendMessageW(Control(window, id), CB_GETCURSEL, 0, 0));
}

void CreateControls(HWND window, const SettingsSession& session) {
    const SettingsState& state = session.state;
    for (const ControlLayout& layout : kControls)
        session.controls.Create(window, layout);
    FillCombo(Control(window, kSettingsSizeId), kSizeItems, state.sizeIndex);
    FillCombo(Control(window, kSettingsMovementId), kMovementItems, state.movementIndex);
    FillCombo(Control(window, kSettingsWaterId), kWaterItems, state.waterIndex);
    SetCheck(window, kSettingsStartupId, state.startWithWindows);
    SetCheck(window, kSettingsOffworkId, state.offworkReminder);
    SetCheck(window, kSettingsCountingId, state.automaticCounting);
    SetCheck(window, kSettingsOnlineId, state.online);
    SetWindowTextW(Control(window, kSettingsOffworkTimeId), state.offworkTimeText.c_str());
    SendMessageW(Control(window, kSettingsOffworkTimeId), EM_LIMITTEXT, kOffworkTimeLimit, 0);
    SetWindowTextW(Control(window, kSettingsNicknameId), state.nicknameText.c_str());
    SendMessageW(Control(window, kSettingsNicknameId), EM_LIMITTEXT, kMaxNicknameCharacters, 0);
    SetFocus(Control(window, kSettingsSizeId));
}

void RestoreDefaults(HWND window, SettingsState& state) {
    SendMessageW(Control(window, kSettingsSizeId), CB_SETCURSEL, kDefaultSizeIndex, 0);
    SendMessageW(Control(window, kSettingsMovementId), CB_SETCURSEL, kDefaultMovementIndex, 0);
    SendMessageW(Control(window, kSettingsWaterId), CB_SETCURSEL, kDefaultWaterIndex, 0);
    SetCheck(window, kSettingsStartupId, false);
    SetCheck(window, kSettingsCountingId, false);
    SetCheck(window, kSettingsOffworkId, false);
    SetWindowTextW(Control(window, kSettingsOffworkTimeId), kDefaultOffworkTime);
    state.defaultsRestored = true;
}

// Takes the controls into the state; false, after telling the user and leaving the state alone, when
// the off-work time is wrong.
bool Save(HWND window, SettingsSession& session) {
    SettingsState taken = session.state;
    taken.sizeIndex = Selection(window, kSettingsSizeId);
    taken.movementIndex = Selection(window, kSettingsMovementId);
    taken.waterIndex = Selection(window, kSettingsWaterId);
    taken.startWithWindows = IsChecked(window, kSettingsStartupId);
    taken.automaticCounting = IsChecked(window, kSettingsCountingId);
    taken.online = IsChecked(window, kSettingsOnlineId);
    taken.offworkReminder = IsChecked(window, kSettingsOffworkId);
    taken.offworkTimeText = ReadControlText(Control(window, kSettingsOffworkTimeId));
    taken.nicknameText = ReadControlText(Control(window, kSettingsNicknameId));
    if (taken.offworkReminder && !ReadClockTime(taken.offworkTimeText)) {
        session.notices.Show(window, kOffworkTimeWarning, kSettingsNotSavedTitle, MB_ICONWARNING);
        // Back to the field that needs mending, its text ready to be typed over.
        HWND time = Control(window, kSettingsOffworkTimeId);
        SetFocus(time);
        SendMessageW(time, EM_SETSEL, 0, -1);
        return false;
    }
    session.state = taken;
    return true;
}

void Finish(HWND window, SettingsState& state, bool saved) {
    state.saved = saved;
    state.finished = true;
    DestroyWindow(window);
}

LRESULT CALLBACK SettingsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* session = static_cast<SettingsSession*>(ModalRecord(window, message, lParam));
    if (!session) return DefWindowProcW(window, message, wParam, lParam);
    SettingsState& state = session->state;

    switch (message) {
    case WM_CREATE:
        CreateControls(window, *session);
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (Save(window, *session)) Finish(window, state, true);
            return 0;
        case IDCANCEL:
            Finish(window, state, false);
            return 0;
        case kSettingsDefaultsId:
            RestoreDefaults(window, state);
            return 0;
        }
        break;
    case WM_CLOSE:
        Finish(window, state, false);
        return 0;
    case WM_DPICHANGED:
        session->controls.Rescale(window, wParam, lParam);
        return 0;
    case WM_CTLCOLORSTATIC:
        return WindowColouredStatic(reinterpret_cast<HDC>(wParam));
    case WM_NCDESTROY:
        // The window can also go with its owner; the loop must end then too.
        state.finished = true;
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool SettingsWindow::Run(HWND owner, SettingsState& state, Notices& notices) {
    state.finished = false;
    state.saved = false;
    state.defaultsRestored = false;

    // Laid out in 96-DPI units, drawn at the scale of the pet's monitor.
    const DisplayScale scale = WindowScale(owner);
    ScaledControls controls(scale);
    SettingsSession session{state, notices, controls};
    const int width = scale.Pixels(kSettingsWindowWidth), height = scale.Pixels(kSettingsWindowHeight);
    // The pet usually sits in a corner; centred over it, the buttons would hang off the screen.
    const POINT corner = CentredOverOnScreen(owner, width, height);
    HWND window = CreateModalWindow(kSettingsWindowClass, SettingsWindowProc, kSettingsWindowTitle, corner, width,
                                    height, owner, &session);
    if (!window) return false;

    RunModalWindow(window, owner, state.finished);
    return state.saved;
}
