// The real program started under Wine and driven from outside, as a user would meet it.
#include "core/calendar.h"
#include "platform/system_clock.h"
#include "pet_driver.h"

#include <gtest/gtest.h>

#include <string>

using namespace driver;

namespace {

std::wstring ProgramPath(const wchar_t* variable) {
    wchar_t path[MAX_PATH] = {};
    GetEnvironmentVariableW(variable, path, MAX_PATH);
    return path;
}

std::wstring Pet() { return ProgramPath(L"MOSSQUILL_PET"); }

constexpr Timeout kStartTimeout = 15s;

HWND WaitForPetWindow(const PetProcess& pet) {
    return WaitForWindow(pet.id(), L"MossquillDesktopPetWindowV5", L"咕噜兽桌宠", kStartTimeout);
}

// Closing the window is the normal way out: the pet saves and the process ends with 0.
std::optional<DWORD> Close(PetProcess& pet, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return pet.WaitForExit(10s);
}

// Every case starts from a machine the pet never ran on.
class Startup : public ::testing::Test {
protected:
    void SetUp() override { ClearSettings(); }
};

TEST_F(Startup, FirstStartPlacesThePetInTheCornerAndWritesTheCalendarValues) {
    PetProcess pet(Pet());
    ASSERT_TRUE(pet.started());
    HWND window = WaitForPetWindow(pet);
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(ExtendedStyle(window), 0x80088u);
    const RECT work = PrimaryWorkArea();
    const RECT rect = WindowRect(window);
    EXPECT_EQ(rect.right - rect.left, 230);
    EXPECT_EQ(rect.bottom - rect.top, 230);
    EXPECT_EQ(rect.left, work.right - 230 - 18);
    EXPECT_EQ(rect.top, work.bottom - 230 - 18);

    EXPECT_EQ(ReadSetting(L"TodayInput"), 0u);
    EXPECT_EQ(ReadSetting(L"TypingDayKey"), static_cast<DWORD>(DayKeyOf(SystemClock().LocalTime())));
    EXPECT_EQ(ReadSetting(L"WeeklyWords"), 0u);
    EXPECT_EQ(ReadSetting(L"WeekKey"), static_cast<DWORD>(WeekKeyOf(SystemClock().LocalTime())));
    EXPECT_FALSE(ReadSetting(L"Energy")) << "the rest is saved only on the way out";

    EXPECT_EQ(Close(pet, window), 0u);
    EXPECT_EQ(ReadSetting(L"Energy"), 100u);
    EXPECT_EQ(ReadSetting(L"SelectedAppearance"), 1u);
    EXPECT_EQ(ReadSetting(L"PetSize"), 230u);
    EXPECT_EQ(ReadSetting(L"WaterIntervalMinutes"), 45u);
    EXPECT_EQ(ReadSetting(L"OffworkHour"), 18u);
    EXPECT_EQ(ReadSetting(L"PetX"), static_cast<DWORD>(rect.left));
    EXPECT_EQ(ReadSetting(L"PetY"), static_cast<DWORD>(rect.top));
}

TEST_F(Startup, SavedPositionAndSizeAreUsedAndTheMovedWindowIsSavedOnExit) {
    WriteSetting(L"PetX", 100);
    WriteSetting(L"PetY", 120);
    WriteSetting(L"PetSize", 285);
    WriteSetting(L"Energy", static_cast<DWORD>(-5));
    PetProcess pet(Pet());
    HWND window = WaitForPetWindow(pet);
    ASSERT_NE(window, nullptr);
    RECT rect = WindowRect(window);
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.top, 120);
    EXPECT_EQ(rect.right - rect.left, 285);

    SetWindowPos(window, nullptr, 300, 260, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Close(pet, window), 0u);
    EXPECT_EQ(ReadSetting(L"PetX"), 300u);
    EXPECT_EQ(ReadSetting(L"PetY"), 260u);
    EXPECT_EQ(ReadSetting(L"Energy"), 0u);  // clamped on load, repaired on save
}

TEST_F(Startup, PositionOffEveryMonitorFallsBackToTheCorner) {
    WriteSetting(L"PetX", 5000);
    WriteSetting(L"PetY", 300);
    PetProcess pet(Pet());
    HWND window = WaitForPetWindow(pet);
    ASSERT_NE(window, nullptr);
    const RECT work = PrimaryWorkArea();
    EXPECT_EQ(WindowRect(window).left, work.right - 230 - 18);
    EXPECT_EQ(Close(pet, window), 0u);
}

TEST_F(Startup, SecondStartIsRefusedWhileTheFirstKeepsRunning) {
    PetProcess first(Pet());
    HWND window = WaitForPetWindow(first);
    ASSERT_NE(window, nullptr);

    PetProcess second(Pet());
    auto box = WaitForMessageBox(second.id(), kStartTimeout);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, L"咕噜兽");
    EXPECT_EQ(box->text, L"咕噜兽已经在桌面上陪你啦。");
    ASSERT_EQ(box->buttons.size(), 1u);
    EXPECT_EQ(box->buttons[0].id, IDOK);
    EXPECT_FALSE(WaitForWindow(second.id(), L"MossquillDesktopPetWindowV5", nullptr, 0ms));
    PressButton(box->window, IDOK);
    EXPECT_EQ(second.WaitForExit(10s), 1u);

    EXPECT_TRUE(first.IsRunning());
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(Close(first, window), 0u);
}

TEST_F(Startup, BuildWithoutTheBasePictureRefusesToStart) {
    PetProcess pet(ProgramPath(L"MOSSQUILL_PET_WITHOUT_BASE_PICTURE"));
    ASSERT_TRUE(pet.started());
    auto box = WaitForMessageBox(pet.id(), kStartTimeout);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, L"咕噜兽");
    EXPECT_EQ(box->text, L"咕噜兽的内置形象资源不完整。");
    PressButton(box->window, IDOK);
    EXPECT_EQ(pet.WaitForExit(10s), 1u);
    EXPECT_FALSE(ReadSetting(L"WeekKey")) << "it stops before loading the settings";
}

TEST_F(Startup, BuildWithOnlyTheBasePictureStartsAndRuns) {
    WriteSetting(L"SelectedAppearance", 1);  // its picture is missing in this build
    PetProcess pet(ProgramPath(L"MOSSQUILL_PET_WITH_ONLY_BASE_PICTURE"));
    HWND window = WaitForPetWindow(pet);
    ASSERT_NE(window, nullptr);
    Sleep(500);  // a dozen frames without the picture
    EXPECT_TRUE(pet.IsRunning());
    EXPECT_EQ(Close(pet, window), 0u);
}

}  // namespace

namespace {

TEST_F(Startup, EndingTheLogonSessionSavesWithoutClosing) {
    WriteSetting(L"Energy", 33);
    PetProcess pet(Pet());
    HWND window = WaitForPetWindow(pet);
    ASSERT_NE(window, nullptr);
    SetWindowPos(window, nullptr, 240, 210, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_FALSE(ReadSetting(L"PetX"));

    SendMessageW(window, WM_ENDSESSION, FALSE, 0);  // the session goes on: nothing to do
    EXPECT_FALSE(ReadSetting(L"PetX"));
    SendMessageW(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(ReadSetting(L"PetX"), 240u);
    EXPECT_EQ(ReadSetting(L"PetY"), 210u);
    EXPECT_EQ(ReadSetting(L"Energy"), 33u);
    EXPECT_EQ(ReadSetting(L"MovementMode"), 0u);
    EXPECT_TRUE(pet.IsRunning());
    EXPECT_EQ(Close(pet, window), 0u);
}

}  // namespace
