// The settings centre of the real pet under Wine, opened from its menu and worked from outside.
#include "platform/startup_entry.h"
#include "pet_driver.h"
#include "motion/placement.h"
#include "settings_centre.h"
#include "support/poll_until.h"
#include "ui/settings_window.h"

#include <gtest/gtest.h>

#include <memory>

using namespace driver;

namespace {

std::wstring ProgramPath() {
    wchar_t path[MAX_PATH] = {};
    GetEnvironmentVariableW(L"MOSSQUILL_PET", path, MAX_PATH);
    return path;
}

std::optional<std::wstring> StartupEntry() { return ReadUserString(kRunKeyPath, kStartupValueName); }

void WriteStartupEntry(const std::wstring& command) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kRunKeyPath, kStartupValueName, REG_SZ, command.c_str(),
                    static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
}

class SettingsCentre : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSettings();
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKeyPath, kStartupValueName);
        WriteSetting(L"PetX", 400);
        WriteSetting(L"PetY", 300);
    }
    void TearDown() override {
        if (pet && pet->IsRunning() && IsWindow(window)) {
            PostMessageW(window, WM_CLOSE, 0, 0);
            pet->WaitForExit(10s);
        }
    }
    void Start() {
        pet = std::make_unique<PetProcess>(ProgramPath());
        window = WaitForWindow(pet->id(), L"MossquillDesktopPetWindowV5", nullptr, 15s);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(PetIsIdle());
    }
    // The pet is enabled and has handled everything sent before: a round trip through its queue
    // comes back only from its own message loop.
    bool PetIsIdle() {
        return PollUntil(10s, [&] {
            return IsWindowEnabled(window) &&
                   SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, nullptr) != 0;
        });
    }
    HWND Open() {
        const RECT rect = WindowRect(window);
        return OpenSettingsCentre(pet->id(), POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    }
    void Save(HWND settings) {
        ClickControl(settings, IDOK);
        ASSERT_TRUE(WaitUntilClosed(settings, 10s));
        ASSERT_TRUE(PetIsIdle());
    }

    std::unique_ptr<PetProcess> pet;
    HWND window = nullptr;
};

TEST_F(SettingsCentre, ShowsTheStoredOptionsAndKeepsARefusedTimeOpen) {
    WriteSetting(L"PetSize", 230);
    WriteSetting(L"WaterIntervalMinutes", 30);
    WriteSetting(L"MovementMode", 0);
    Start();
    HWND settings = Open();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(ControlText(settings, kSettingsSizeId), L"中");
    EXPECT_EQ(ControlText(settings, kSettingsWaterId), L"每 30 分钟");
    EXPECT_EQ(ControlText(settings, kSettingsMovementId), L"静止");
    EXPECT_EQ(ControlText(settings, kSettingsOffworkTimeId), L"18:00");
    EXPECT_EQ(ControlText(settings, kSettingsNicknameId), L"咕噜兽");
    EXPECT_FALSE(IsTicked(settings, kSettingsStartupId));
    EXPECT_FALSE(IsWindowEnabled(window)) << "the pet waits while the settings centre is open";

    ClickControl(settings, kSettingsOffworkId);
    SetControlText(settings, kSettingsOffworkTimeId, L"18.30");
    ClickControl(settings, IDOK);
    auto warning = WaitForMessageBox(pet->id(), 5s);
    ASSERT_TRUE(warning);
    EXPECT_EQ(warning->caption, kSettingsNotSavedTitle);
    EXPECT_EQ(warning->text, kOffworkTimeWarning);
    PressButton(warning->window, IDOK);
    ASSERT_TRUE(WaitUntilClosed(warning->window, 5s));
    EXPECT_TRUE(IsWindowVisible(settings));
    ClickControl(settings, IDCANCEL);
    ASSERT_TRUE(WaitUntilClosed(settings, 5s));
    EXPECT_TRUE(PetIsIdle()) << "the pet is enabled again";
    EXPECT_FALSE(ReadSetting(L"OffworkEnabled")) << "nothing was saved";
}

TEST_F(SettingsCentre, DefaultsThenCancelChangeNothing) {
    WriteSetting(L"PetSize", 175);
    WriteSetting(L"WaterIntervalMinutes", 0);
    WriteSetting(L"MovementMode", 0);
    WriteStartupEntry(L"\"C:\\elsewhere.exe\"");
    Start();
    const RECT before = WindowRect(window);
    HWND settings = Open();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(ControlText(settings, kSettingsSizeId), L"小");
    EXPECT_EQ(ControlText(settings, kSettingsWaterId), L"关闭");
    EXPECT_TRUE(IsTicked(settings, kSettingsStartupId));

    ClickControl(settings, kSettingsDefaultsId);
    EXPECT_TRUE(PollUntil(5s, [&] { return ControlText(settings, kSettingsSizeId) == L"中"; }));
    EXPECT_EQ(ControlText(settings, kSettingsWaterId), L"每 45 分钟");
    EXPECT_FALSE(IsTicked(settings, kSettingsStartupId));
    ClickControl(settings, IDCANCEL);
    ASSERT_TRUE(WaitUntilClosed(settings, 5s));
    ASSERT_TRUE(PetIsIdle());

    EXPECT_EQ(ReadSetting(L"PetSize"), 175u);
    EXPECT_EQ(ReadSetting(L"WaterIntervalMinutes"), 0u);
    EXPECT_EQ(StartupEntry(), L"\"C:\\elsewhere.exe\"");
    const RECT after = WindowRect(window);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.right - after.left, 175);
}

TEST_F(SettingsCentre, DefaultsThenSaveStoreThemRemoveTheEntryAndSendThePetHome) {
    WriteSetting(L"PetSize", 285);
    WriteSetting(L"MovementMode", 3);
    WriteSetting(L"WaterIntervalMinutes", 30);
    WriteSetting(L"OffworkEnabled", 1);
    WriteSetting(L"OffworkHour", 9);
    WriteSetting(L"OffworkMinute", 15);
    WriteSetting(L"AutoTypingEnabled", 1);
    WriteStartupEntry(L"\"C:\\elsewhere.exe\"");
    Start();
    HWND settings = Open();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(ControlText(settings, kSettingsOffworkTimeId), L"09:15");
    ClickControl(settings, kSettingsDefaultsId);
    Save(settings);

    EXPECT_EQ(ReadSetting(L"PetSize"), 230u);
    EXPECT_EQ(ReadSetting(L"MovementMode"), 1u);
    EXPECT_EQ(ReadSetting(L"WaterIntervalMinutes"), 45u);
    EXPECT_EQ(ReadSetting(L"AutoTypingEnabled"), 0u);
    EXPECT_EQ(ReadSetting(L"OffworkEnabled"), 0u);
    EXPECT_FALSE(StartupEntry());
    EXPECT_FALSE(WaitForMessageBox(pet->id(), 300ms)) << "nothing to report";

    // Sent to the bottom-right corner; walking along the edge may have begun since.
    const RECT work = PrimaryWorkArea();
    const RECT placed = WindowRect(window);
    EXPECT_EQ(placed.right - placed.left, 230);
    EXPECT_EQ(placed.bottom, work.bottom - kCornerInset);
    EXPECT_GT(placed.left, work.right - 230 - kCornerInset - 80);
}

TEST_F(SettingsCentre, TickingStartUpWritesTheQuotedPathOnceAndThenLeavesIt) {
    Start();
    HWND settings = Open();
    ASSERT_NE(settings, nullptr);
    ClickControl(settings, kSettingsStartupId);
    Save(settings);
    const std::optional<std::wstring> written = StartupEntry();
    ASSERT_TRUE(written);
    wchar_t fullPath[MAX_PATH] = {};
    GetFullPathNameW(ProgramPath().c_str(), MAX_PATH, fullPath, nullptr);
    EXPECT_EQ(CompareStringOrdinal(written->c_str(), -1, (L"\"" + std::wstring(fullPath) + L"\"").c_str(), -1, TRUE),
              CSTR_EQUAL)
        << "entry: " << testing::PrintToString(*written);

    // The entry found already present is not written again, whatever it holds.
    WriteStartupEntry(L"\"C:\\moved.exe\"");
    settings = Open();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(IsTicked(settings, kSettingsStartupId));
    Save(settings);
    EXPECT_EQ(StartupEntry(), L"\"C:\\moved.exe\"");
}

}  // namespace
