// Living with the real pet under Wine: clicks, double clicks, drags and the menu, driven from outside.
#include "core/calendar.h"
#include "platform/system_clock.h"
#include "pet_driver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace driver;

namespace {

// The heart is drawn in 0xEE5B69 at a fading opacity; X shows it premultiplied, so match its hue.
bool IsHeartPixel(uint32_t rgb) {
    const double r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return r >= 50 && std::abs(g / r - 91.0 / 238) < 0.08 && std::abs(b / r - 105.0 / 238) < 0.08;
}

class PetLife : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSettings();
        WriteSetting(L"SelectedAppearance", 0);
        WriteSetting(L"PetX", 400);
        WriteSetting(L"PetY", 300);
    }
    void Start() {
        pet = std::make_unique<PetProcess>(ProgramPath());
        window = WaitForWindow(pet->id(), L"MossquillDesktopPetWindowV5", L"咕噜兽桌宠", 15s);
        ASSERT_NE(window, nullptr);
        rect = WindowRect(window);
        Sleep(300);
    }
    static std::wstring ProgramPath() {
        wchar_t path[MAX_PATH] = {};
        GetEnvironmentVariableW(L"MOSSQUILL_PET", path, MAX_PATH);
        return path;
    }
    POINT Body() const { return POINT{(rect.left + rect.right) / 2, rect.top + (rect.bottom - rect.top) * 2 / 3}; }
    // The rising heart of the speech text, in the upper left of the window.
    int HeartPixels() const {
        const int w = rect.right - rect.left;
        const RECT band{rect.left, rect.top, rect.left + w * 35 / 100, rect.top + w * 45 / 100};
        int count = 0;
        for (uint32_t pixel : CaptureScreen(band))
            count += IsHeartPixel(pixel) ? 1 : 0;
        return count;
    }
    bool HeartAppears() const {
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (HeartPixels() > 20) return true;
            Sleep(50);
        }
        return false;
    }
    void TearDown() override {
        if (pet && pet->IsRunning() && IsWindow(window)) {
            PostMessageW(window, WM_CLOSE, 0, 0);
            pet->WaitForExit(10s);
        }
    }

    std::unique_ptr<PetProcess> pet;
    HWND window = nullptr;
    RECT rect{};
};

TEST_F(PetLife, AClickSpeaksWithARisingHeart) {
    Start();
    EXPECT_EQ(HeartPixels(), 0);
    ClickAt(Body());
    EXPECT_TRUE(HeartAppears());
    EXPECT_FALSE(WaitForMessageBox(pet->id(), 300ms)) << "petting asks nothing";
    EXPECT_EQ(WindowRect(window).left, rect.left);
}

TEST_F(PetLife, ADoubleClickPetsOnceThenFeeds) {
    WriteSetting(L"Energy", 50);
    Start();
    DoubleClickAt(Body());
    auto box = WaitForMessageBox(pet->id(), 5s);
    ASSERT_TRUE(box);
    EXPECT_TRUE(HeartAppears()) << "the first click of the pair petted";
    EXPECT_EQ(box->caption, L"给咕噜兽投喂");
    EXPECT_EQ(box->text, L"投喂成功，电量恢复到 80。");
    PressButton(box->window, IDOK);
    EXPECT_EQ(ReadSetting(L"Energy"), 80u);
}

TEST_F(PetLife, AThreePixelWobblePetsAndAFourPixelMoveDrags) {
    Start();
    MoveMouse(Body());
    LeftDown();
    MoveMouse(POINT{Body().x + 3, Body().y - 3});
    LeftUp();
    EXPECT_TRUE(HeartAppears());
    EXPECT_EQ(WindowRect(window).left, rect.left);

    Sleep(1700);  // let the speech end
    MoveMouse(Body());
    LeftDown();
    MoveMouse(POINT{Body().x + 4, Body().y});
    MoveMouse(POINT{Body().x + 60, Body().y + 25});
    LeftUp();
    Sleep(200);
    const RECT moved = WindowRect(window);
    EXPECT_EQ(moved.left, rect.left + 60);
    EXPECT_EQ(moved.top, rect.top + 25);
    EXPECT_EQ(ReadSetting(L"PetX"), static_cast<DWORD>(rect.left + 60));
    EXPECT_EQ(ReadSetting(L"PetY"), static_cast<DWORD>(rect.top + 25));
    EXPECT_EQ(HeartPixels(), 0) << "a drag does not pet";
}

TEST_F(PetLife, RightClickOpensTheMenuAndRestingEndsTheProgram) {
    WriteSetting(L"Energy", 64);
    Start();
    RightClickAt(Body());
    HWND menu = WaitForWindow(pet->id(), L"#32768", nullptr, 5s);
    ASSERT_NE(menu, nullptr);
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    Sleep(300);
    EXPECT_FALSE(IsWindowVisible(menu));
    EXPECT_TRUE(pet->IsRunning());

    RightClickAt(Body());
    menu = WaitForWindow(pet->id(), L"#32768", nullptr, 5s);
    ASSERT_NE(menu, nullptr);
    // Up from nothing selected lands on the last item, "让咕噜兽休息".
    PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(pet->WaitForExit(10s), 0u);
    EXPECT_EQ(ReadSetting(L"Energy"), 64u);
    EXPECT_EQ(ReadSetting(L"PetX"), static_cast<DWORD>(rect.left));
    EXPECT_TRUE(ReadSetting(L"LastLateNightDay"));
}

}  // namespace

namespace {

// Opens "成长记录" › "手动补充活跃值…" with the keyboard and answers the prompt with `text`.
void EnterWordsByHand(const PetProcess& pet, POINT at, const std::wstring& text) {
    RightClickAt(at);
    HWND menu = WaitForWindow(pet.id(), L"#32768", nullptr, 5s);
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < 8; ++i)
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);  // the separator is skipped
    PostMessageW(menu, WM_KEYDOWN, VK_RIGHT, 0);
    Sleep(200);
    HWND submenu = nullptr;
    // A loaded machine can take seconds to open the submenu; wait for it rather than guess.
    for (int attempt = 0; attempt < 200 && !submenu; ++attempt) {
        HWND candidate = nullptr;
        while ((candidate = FindWindowExW(nullptr, candidate, L"#32768", nullptr)) != nullptr) {
            if (candidate != menu && IsWindowVisible(candidate)) submenu = candidate;
        }
        if (!submenu) Sleep(50);
    }
    ASSERT_NE(submenu, nullptr);
    // The entry is the submenu's last item: VK_UP reaches it whether or not the menu has already
    // selected the first item by the time the key arrives, which a loaded machine makes uncertain.
    Sleep(300);
    PostMessageW(submenu, WM_KEYDOWN, VK_UP, 0);
    PostMessageW(submenu, WM_KEYDOWN, VK_RETURN, 0);
    HWND prompt = WaitForWindow(pet.id(), L"MossquillPromptWindow", L"追加本次字数", 5s);
    ASSERT_NE(prompt, nullptr);
    SetWindowTextW(GetDlgItem(prompt, 1001), text.c_str());
    PostMessageW(GetDlgItem(prompt, IDOK), BM_CLICK, 0, 0);
}

}  // namespace

TEST_F(PetLife, WordsAddedByHandLevelUpOnceOrAreRefused) {
    WriteSetting(L"WeeklyWords", 450);
    WriteSetting(L"WeekKey", static_cast<DWORD>(WeekKeyOf(SystemClock().LocalTime())));
    Start();

    EnterWordsByHand(*pet, Body(), L"12a");
    auto refused = WaitForMessageBox(pet->id(), 5s);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->caption, L"字数无效");
    EXPECT_EQ(refused->text, L"请输入 1～1000000 之间的整数。");
    PressButton(refused->window, IDOK);
    ASSERT_TRUE(WaitUntilClosed(refused->window, 5s));

    EnterWordsByHand(*pet, Body(), L"600");
    auto levelUp = WaitForMessageBox(pet->id(), 5s);
    ASSERT_TRUE(levelUp);
    EXPECT_EQ(levelUp->caption, L"咕噜兽升级");
    EXPECT_EQ(levelUp->text, L"升级啦！现在是「咕噜兽大法师」。新形象已永久解锁。");
    PressButton(levelUp->window, IDOK);
    ASSERT_TRUE(WaitUntilClosed(levelUp->window, 5s));
    EXPECT_FALSE(WaitForMessageBox(pet->id(), 1s)) << "no 本周成长 box after a level-up";
    EXPECT_EQ(ReadSetting(L"WeeklyWords"), 1050u);
    EXPECT_EQ(ReadSetting(L"SelectedAppearance"), 3u);
}
