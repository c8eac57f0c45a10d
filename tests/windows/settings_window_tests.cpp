// The settings centre as a real window under its own modal loop, driven by a script of user input;
// what a saved record asks the pet to do; the start-up entry in the real registry.
#include "platform/startup_entry.h"
#include "ui/settings_plan.h"
#include "ui/settings_window.h"
#include "support/window_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

HWND ControlOf(HWND settings, int id) { return GetDlgItem(settings, id); }
void Click(HWND settings, int id) { ClickAt(CentreOf(ControlOf(settings, id))); }
bool Ticked(HWND settings, int id) { return SendMessageW(ControlOf(settings, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The item a drop-down list shows.
std::wstring Shown(HWND settings, int id) {
    wchar_t text[64] = {};
    HWND combo = ControlOf(settings, id);
    SendMessageW(combo, CB_GETLBTEXT, SendMessageW(combo, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(text));
    return text;
}

PetOptions StoredOptions() {
    PetOptions options;
    options.movementMode = 2;
    options.waterIntervalMinutes = 30;
    options.offworkEnabled = true;
    options.offworkHour = 7;
    options.offworkMinute = 5;
    options.autoTypingEnabled = true;
    options.networkEnabled = true;
    options.nickname = L"小苔";
    return options;
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool registered = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"SettingsTestOwner";
            return RegisterClassW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        owner = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"SettingsTestOwner", L"咕噜兽桌宠",
                                WS_POPUP | WS_VISIBLE, 500, 300, 231, 231, nullptr, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
        SetForegroundWindow(owner);
        PumpFor(100);
    }
    void TearDown() override {
        if (IsWindow(owner)) DestroyWindow(owner);
    }

    bool Open(SettingsState& state, std::vector<Step> steps) {
        WindowScript script(kSettingsWindowClass, std::move(steps));
        const bool saved = SettingsWindow::Run(owner, state, notices);
        EXPECT_TRUE(script.played());
        EXPECT_FALSE(IsWindow(FindWindowW(kSettingsWindowClass, nullptr)));
        EXPECT_TRUE(IsWindowEnabled(owner));
        return saved;
    }

    HWND owner = nullptr;
    MessageBoxNotices notices;
};

TEST_F(Settings, OpensCentredOverItsOwnerShowingTheStoredOptionsInTidyControls) {
    SettingsState state = SettingsStateFor(StoredOptions());
    const Step inspect = [&](HWND settings) {
        EXPECT_EQ(TextOf(settings), L"咕噜兽设置中心");
        EXPECT_FALSE(IsWindowEnabled(owner));
        RECT rect{};
        GetWindowRect(settings, &rect);
        // (231 - 540) / 2 truncates to -154, (231 - 558) / 2 to -163.
        EXPECT_EQ(rect.left, 500 - 154);
        EXPECT_EQ(rect.top, 300 - 163);
        EXPECT_EQ(rect.right - rect.left, 540);
        EXPECT_EQ(rect.bottom - rect.top, 558);

        EXPECT_EQ(Shown(settings, kSettingsSizeId), L"中");
        EXPECT_EQ(Shown(settings, kSettingsMovementId), L"随机乱窜");
        EXPECT_EQ(Shown(settings, kSettingsWaterId), L"每 30 分钟");
        EXPECT_FALSE(Ticked(settings, kSettingsStartupId));
        EXPECT_TRUE(Ticked(settings, kSettingsOffworkId));
        EXPECT_EQ(TextOf(ControlOf(settings, kSettingsOffworkTimeId)), L"07:05");
        EXPECT_TRUE(Ticked(settings, kSettingsCountingId));
        EXPECT_TRUE(Ticked(settings, kSettingsOnlineId));
        EXPECT_EQ(TextOf(ControlOf(settings, kSettingsNicknameId)), L"小苔");

        // Every control in the default font, inside the window, and none but the group frames overlapping.
        std::vector<RECT> boxes;
        RECT client{};
        GetClientRect(settings, &client);
        for (HWND c = GetWindow(settings, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));
            RECT box{};
            GetWindowRect(c, &box);
            MapWindowPoints(nullptr, settings, reinterpret_cast<POINT*>(&box), 2);
            RECT inside{};
            EXPECT_TRUE(IntersectRect(&inside, &box, &client) && EqualRect(&inside, &box)) << boxes.size();
            const bool frame = (GetWindowLongW(c, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX &&
                               _wcsicmp(ClassOf(c).c_str(), L"button") == 0;
            for (const RECT& other : boxes)
                EXPECT_FALSE(!frame && IntersectRect(&inside, &box, &other)) << boxes.size();
            if (!frame) boxes.push_back(box);
        }
        EXPECT_EQ(boxes.size(), 20u);  // 24 controls, 4 of them group frames
        PressKey(VK_ESCAPE);
    };
    EXPECT_FALSE(Open(state, {inspect}));

    PetOptions other;
    other.petSize = 285;
    other.waterIntervalMinutes = 0;
    state = SettingsStateFor(other);
    // From the pet's home in the bottom-right corner, the window moves up and left onto the screen.
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    SetWindowPos(owner, nullptr, area.right - 231 - 18, area.bottom - 231 - 18, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const Step inspectOther = [&area](HWND settings) {
        RECT rect{};
        GetWindowRect(settings, &rect);
        EXPECT_EQ(rect.right, area.right);
        EXPECT_EQ(rect.bottom, area.bottom);
        EXPECT_EQ(rect.left, area.right - 540);
        EXPECT_EQ(Shown(settings, kSettingsSizeId), L"大");
        EXPECT_EQ(Shown(settings, kSettingsWaterId), L"关闭");
        // Without a device identity the nickname offered is the pet's own name.
        EXPECT_EQ(TextOf(ControlOf(settings, kSettingsNicknameId)), L"咕噜兽");
        PostMessageW(settings, WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    EXPECT_FALSE(Open(state, {inspectOther}));
}

TEST_F(Settings, TabWalksEveryControlInOrderAndEnterSaves) {
    SettingsState state = SettingsStateFor(StoredOptions());
    const int order[] = {kSettingsSizeId,
                         kSettingsStartupId,
                         kSettingsMovementId,
                         kSettingsWaterId,
                         kSettingsOffworkId,
                         kSettingsOffworkTimeId,
                         kSettingsCountingId,
                         kSettingsOnlineId,
                         kSettingsNicknameId,
                         kSettingsDefaultsId,
                         IDOK,
                         IDCANCEL,
                         kSettingsSizeId};
    std::vector<Step> steps;
    for (int id : order) {
        steps.push_back([id](HWND) {
            EXPECT_EQ(GetDlgCtrlID(GetFocus()), id);
            PressKey(VK_TAB);
        });
    }
    // On the start-up box again: Space ticks it, Shift+Tab steps back, Enter saves.
    steps.push_back([](HWND) {
        PressKey(VK_SPACE);
        SendKey(VK_SHIFT, false);
        PressKey(VK_TAB);
        SendKey(VK_SHIFT, true);
    });
    steps.push_back([](HWND settings) {
        EXPECT_EQ(GetFocus(), ControlOf(settings, kSettingsSizeId));
        PressKey(VK_RETURN);
    });
    EXPECT_TRUE(Open(state, steps));
    EXPECT_TRUE(state.startWithWindows);
}

TEST_F(Settings, WrongOffworkTimesAreRefusedWithAWarningUntilOneParses) {
    PetOptions options = StoredOptions();
    options.offworkEnabled = false;
    SettingsState state = SettingsStateFor(options);
    std::vector<Step> steps = {[](HWND settings) {
        Click(settings, kSettingsOffworkId);
        PressKey(VK_TAB);  // into the time field, its text selected
    }};
    for (const wchar_t* refused : {L"24:00", L"18.30", L"ab", L"12:60"}) {
        steps.push_back([refused](HWND) {
            Type(refused);
            PressKey(VK_RETURN);
        });
        steps.push_back([](HWND settings) {
            HWND box = FindWindowW(L"#32770", L"设置未保存");
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(GetWindow(box, GW_OWNER), settings);
            EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), L"下班时间格式应为 18:30。");
            SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        });
        // Back in the time field, its text selected for mending.
        steps.push_back([](HWND settings) { EXPECT_EQ(GetFocus(), ControlOf(settings, kSettingsOffworkTimeId)); });
    }
    steps.push_back([](HWND) {
        Type(L"7:5");
        PressKey(VK_RETURN);
    });
    EXPECT_TRUE(Open(state, steps));
    options.offworkHour = 18;
    const SettingsPlan plan = PlanSettings(state, options);
    EXPECT_TRUE(plan.offworkEnabled);
    EXPECT_EQ(plan.offworkHour, 7);
    EXPECT_EQ(plan.offworkMinute, 5);

    // With the reminder off the text is not looked at, and the stored time stays.
    state = SettingsStateFor(StoredOptions());
    const Step untick = [](HWND settings) {
        SetWindowTextW(ControlOf(settings, kSettingsOffworkTimeId), L"ab");
        Click(settings, kSettingsOffworkId);
    };
    EXPECT_TRUE(Open(state, {untick, [](HWND settings) { Click(settings, IDOK); }}));
    EXPECT_FALSE(PlanSettings(state, options).offworkEnabled);
    EXPECT_EQ(PlanSettings(state, options).offworkHour, 18);
}

TEST_F(Settings, RestoredDefaultsChangeOnlyTheControlsUntilSaved) {
    const PetOptions options = StoredOptions();
    SettingsState state = SettingsStateFor(options);
    state.startWithWindows = true;
    const SettingsState opened = state;
    const Step restore = [](HWND settings) { Click(settings, kSettingsDefaultsId); };
    const Step cancel = [](HWND settings) {
        EXPECT_EQ(Shown(settings, kSettingsMovementId), L"沿边散步");
        EXPECT_EQ(TextOf(ControlOf(settings, kSettingsOffworkTimeId)), L"18:00");
        Click(settings, IDCANCEL);
    };
    EXPECT_FALSE(Open(state, {restore, cancel}));
    EXPECT_EQ(state.movementIndex, opened.movementIndex);
    EXPECT_TRUE(state.startWithWindows);
    EXPECT_EQ(state.offworkTimeText, opened.offworkTimeText);

    state = opened;
    EXPECT_TRUE(Open(state, {restore, [](HWND settings) { Click(settings, IDOK); }}));
    const SettingsPlan plan = PlanSettings(state, options);
    EXPECT_FALSE(plan.startWithWindows);
    EXPECT_FALSE(plan.newPetSize);  // already 230
    EXPECT_EQ(plan.movementMode, 1);
    EXPECT_EQ(plan.waterIntervalMinutes, 45);
    EXPECT_FALSE(plan.autoTypingEnabled);
    EXPECT_FALSE(plan.offworkEnabled);
    EXPECT_EQ(state.offworkTimeText, L"18:00");
    EXPECT_TRUE(plan.online);  // online and nickname stay as they were
    EXPECT_EQ(plan.nicknameText, L"小苔");
    EXPECT_TRUE(plan.returnToCorner);
}

// A quit request must neither leave the window behind (its state record would be gone) nor be lost
// to the loop that owns it; an owner that goes takes the window and the loop with it.
TEST_F(Settings, QuitRequestAndAVanishingOwnerEndTheLoopSoundly) {
    SettingsState state = SettingsStateFor(StoredOptions());
    EXPECT_FALSE(Open(state, {[](HWND) { PostQuitMessage(7); }}));
    EXPECT_EQ(GetForegroundWindow(), owner);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);

    WindowScript script(kSettingsWindowClass, {[&](HWND) { DestroyWindow(owner); }});
    EXPECT_FALSE(SettingsWindow::Run(owner, state, notices));
    EXPECT_TRUE(script.played());
    EXPECT_FALSE(IsWindow(FindWindowW(kSettingsWindowClass, nullptr)));
}

TEST(SettingsPlan, KeepsIndexesInRangeAndSendsOnlyANewNickname) {
    SettingsState state = SettingsStateFor(StoredOptions());
    state.sizeIndex = 7;
    state.movementIndex = -1;
    state.waterIndex = 9;
    state.nicknameText = L"";
    const SettingsPlan plan = PlanSettings(state, StoredOptions());
    EXPECT_EQ(plan.newPetSize, 285);
    EXPECT_EQ(plan.movementMode, 0);
    EXPECT_EQ(plan.waterIntervalMinutes, 45);
    EXPECT_EQ(plan.NicknameToRegister(), L"咕噜兽");
    EXPECT_FALSE(plan.NicknameUpdate(L"小苔"));
    state.nicknameText = L"小苔";
    EXPECT_FALSE(PlanSettings(state, StoredOptions()).NicknameUpdate(L"小苔"));
    EXPECT_EQ(PlanSettings(state, StoredOptions()).NicknameUpdate(L"旧名"), L"小苔");
}

std::wstring StoredStartupCommand(DWORD* bytes = nullptr) {
    wchar_t stored[600] = {};
    DWORD size = sizeof(stored);
    RegGetValueW(HKEY_CURRENT_USER, kRunKeyPath, kStartupValueName, RRF_RT_REG_SZ, nullptr, stored, &size);
    if (bytes) *bytes = size;
    return stored;
}

TEST(StartupEntry, TickingWritesTheQuotedPathOnceAndUntickingRemovesIt) {
    EXPECT_FALSE(StartupEntryExists());
    EXPECT_EQ(ApplyStartupEntry(true), std::nullopt);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring expected = L"\"" + std::wstring(path) + L"\"";
    DWORD bytes = 0;
    EXPECT_EQ(StoredStartupCommand(&bytes), expected);
    EXPECT_EQ(bytes, (expected.size() + 1) * sizeof(wchar_t));

    // An entry already there is left exactly as it is.
    const std::wstring marker = L"\"C:\\elsewhere\\pet.exe\"";
    RegSetKeyValueW(HKEY_CURRENT_USER, kRunKeyPath, kStartupValueName, REG_SZ, marker.c_str(),
                    static_cast<DWORD>((marker.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(ApplyStartupEntry(true), std::nullopt);
    EXPECT_EQ(StoredStartupCommand(), marker);

    EXPECT_EQ(ApplyStartupEntry(false), std::nullopt);
    EXPECT_FALSE(StartupEntryExists());
    EXPECT_EQ(DisableStartupEntry(), std::nullopt);  // removing what is not there is no failure
}

TEST(StartupEntry, ARegistryThatRefusesWritingIsReported) {
    // The current user's hive seen through a volatile key, under which no lasting Run key can be made.
    HKEY volatileUser = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\MossquillTest\\VolatileUser", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatileUser, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, volatileUser), ERROR_SUCCESS);
    const std::optional<std::wstring> error = ApplyStartupEntry(true);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(volatileUser);
    EXPECT_EQ(error, L"公司策略或系统权限阻止了开机自启动设置。");
    EXPECT_FALSE(StartupEntryExists());
}

}  // namespace
