// The real pet on real desktops: a display at 150 %, a full-screen program in front of it, and its
// icon in the notification area.
#include "settings_centre.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <memory>

using namespace driver;

namespace {

constexpr wchar_t kPetClass[] = L"MossquillDesktopPetWindowV5";
constexpr UINT kNotifyIconMessage = WM_APP + 16;

void SetDisplayDpi(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
}

// A game's window: borderless, the size of the primary monitor, in front; gone with the object.
struct FullScreenWindow {
    FullScreenWindow() {
        window = CreateWindowExW(0, L"STATIC", L"game", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                 GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(window);
    }
    ~FullScreenWindow() { DestroyWindow(window); }
    HWND window;
};

class Desktop : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSettings();
        WriteSetting(L"PetX", 400);
        WriteSetting(L"PetY", 300);
    }
    void Start() {
        pet = std::make_unique<PetProcess>(ProgramPath());
        window = WaitForWindow(pet->id(), kPetClass, nullptr, 15s);
        ASSERT_NE(window, nullptr);
        Sleep(300);
    }
    POINT Centre() const {
        const RECT rect = WindowRect(window);
        return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    static std::wstring ProgramPath() {
        wchar_t path[MAX_PATH] = {};
        GetEnvironmentVariableW(L"MOSSQUILL_PET", path, MAX_PATH);
        return path;
    }
    void TearDown() override {
        if (pet && pet->IsRunning() && IsWindow(window)) {
            PostMessageW(window, WM_CLOSE, 0, 0);
            pet->WaitForExit(10s);
        }
        SetDisplayDpi(96);
    }

    std::unique_ptr<PetProcess> pet;
    HWND window = nullptr;
};

TEST_F(Desktop, AtOneAndAHalfTimesTheScaleThePetTheSettingsCentreAndThePromptAreOneAndAHalfTimesAsLarge) {
    SetDisplayDpi(144);
    WriteSetting(L"PetSize", 230);
    Start();
    const RECT pet = WindowRect(window);
    EXPECT_EQ(pet.right - pet.left, 345);
    EXPECT_EQ(pet.bottom - pet.top, 345);

    HWND settings = OpenSettingsCentre(this->pet->id(), Centre());
    ASSERT_NE(settings, nullptr);
    const RECT outer = WindowRect(settings);
    EXPECT_EQ(outer.right - outer.left, 810);
    EXPECT_EQ(outer.bottom - outer.top, 837);
    RECT client{};
    GetClientRect(settings, &client);
    int controls = 0;
    for (HWND child = GetWindow(settings, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT), ++controls) {
        RECT rect = WindowRect(child);
        MapWindowPoints(nullptr, settings, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right && rect.bottom <= client.bottom)
            << "control " << controls << " reaches " << rect.right << "," << rect.bottom;
    }
    EXPECT_EQ(controls, 24);
    // The size is still stored in units.
    ClickControl(settings, IDOK);
    EXPECT_TRUE(WaitUntilClosed(settings, 5s));
    EXPECT_EQ(ReadSetting(L"PetSize"), 230u);

    // The prompt too: 成长记录 (the eighth item) → 手动补充活跃值….
    RightClickAt(Centre());
    HWND menu = WaitForWindow(this->pet->id(), L"#32768", nullptr, 5s);
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < 8; ++i)
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RIGHT, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    HWND prompt = WaitForWindow(this->pet->id(), L"MossquillPromptWindow", nullptr, 10s);
    ASSERT_NE(prompt, nullptr);
    const RECT promptRect = WindowRect(prompt);
    EXPECT_EQ(promptRect.right - promptRect.left, 594) << "396 units";
    EXPECT_EQ(promptRect.bottom - promptRect.top, 261) << "174 units";
    GetClientRect(prompt, &client);
    for (HWND child = GetWindow(prompt, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = WindowRect(child);
        MapWindowPoints(nullptr, prompt, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right && rect.bottom <= client.bottom)
            << "a prompt control reaches " << rect.right << "," << rect.bottom;
    }
    PostMessageW(prompt, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntilClosed(prompt, 5s));
}

TEST_F(Desktop, AFullScreenProgramHidesThePetAndHoldsItsReminderUntilItGoesUnlessSwitchedOff) {
    // The off-work reminder falls due at the next minute, while the game runs.
    SYSTEMTIME now{};
    for (GetLocalTime(&now); now.wSecond < 40 || now.wSecond > 48; GetLocalTime(&now))
        Sleep(200);
    const int next = (now.wHour * 60 + now.wMinute + 1) % (24 * 60);
    WriteSetting(L"OffworkEnabled", 1);
    WriteSetting(L"OffworkHour", static_cast<DWORD>(next / 60));
    WriteSetting(L"OffworkMinute", static_cast<DWORD>(next % 60));
    Start();
    {
        FullScreenWindow game;
        const ULONGLONG shown = GetTickCount64();
        EXPECT_TRUE(WaitUntilClosed(window, 1s)) << "hidden";
        std::printf("hidden %llu ms after the game came to the front\n", GetTickCount64() - shown);
        for (GetLocalTime(&now); now.wHour * 60 + now.wMinute != next; GetLocalTime(&now))
            Sleep(200);
        EXPECT_FALSE(WaitForMessageBox(pet->id(), 3s)) << "no box over the game";
        EXPECT_TRUE(ReadSetting(L"LastOffworkDay")) << "the reminder fired meanwhile";
        EXPECT_FALSE(IsWindowVisible(window));
    }
    EXPECT_EQ(WaitForWindow(pet->id(), kPetClass, nullptr, 1s), window) << "back within a second";
    const auto box = WaitForMessageBox(pet->id(), 5s);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, L"咕噜兽：下班！");
    PressButton(box->window, IDOK);
    ASSERT_TRUE(WaitUntilClosed(box->window, 5s));
    const auto again = WaitForMessageBox(pet->id(), 1s);
    EXPECT_FALSE(again) << "shown once, not again: " << (again ? again->caption.size() : 0);

    // "全屏时自动隐藏" is the fifth item from the end of the menu; off, nothing hides.
    RightClickAt(Centre());
    HWND menu = WaitForWindow(pet->id(), L"#32768", nullptr, 5s);
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < 5; ++i)
        PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(WaitUntilClosed(menu, 5s));
    FullScreenWindow game;
    Sleep(1500);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(ReadSetting(L"HideWhenFullScreen"), 0u);
}

TEST_F(Desktop, TheNotificationIconLivesAsLongAsThePetAndOpensItsMenu) {
    Start();
    const auto iconPresent = [&] {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof(data);
        data.hWnd = window;
        data.uID = 1;
        data.uFlags = NIF_TIP;
        wcscpy(data.szTip, L"咕噜兽");
        return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
    };
    EXPECT_TRUE(iconPresent());

    PostMessageW(window, kNotifyIconMessage, 1, WM_RBUTTONUP);
    HWND menu = WaitForWindow(pet->id(), L"#32768", nullptr, 5s);
    ASSERT_NE(menu, nullptr);
    // Up from nothing selected lands on the last item, "让咕噜兽休息".
    PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(pet->WaitForExit(10s), 0u);
    EXPECT_FALSE(iconPresent());
}

}  // namespace
