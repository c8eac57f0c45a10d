// Going online from the settings centre of the real pet, against the real service.
#include "online/identity_registry.h"
#include "online_test_support.h"
#include "pet_driver.h"
#include "settings_centre.h"
#include "ui/settings_window.h"

#include <gtest/gtest.h>

using namespace driver;

namespace {

TEST(SettingsCentreOnline, TickingOnlineWithAnEmptyNicknameRegistersTheDefaultName) {
    ClearSettingsKey();
    wchar_t program[MAX_PATH] = {};
    GetEnvironmentVariableW(L"MOSSQUILL_PET", program, MAX_PATH);
    PetProcess pet(program);
    HWND window = WaitForWindow(pet.id(), L"MossquillDesktopPetWindowV5", nullptr, 15s);
    ASSERT_NE(window, nullptr);
    Sleep(300);
    const RECT rect = WindowRect(window);
    HWND settings = OpenSettingsCentre(pet.id(), POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    ASSERT_NE(settings, nullptr);
    EXPECT_FALSE(IsTicked(settings, kSettingsOnlineId));

    ClickControl(settings, kSettingsOnlineId);
    SetControlText(settings, kSettingsNicknameId, L"");
    ClickControl(settings, IDOK);
    ASSERT_TRUE(WaitUntilClosed(settings, 30s));
    for (int attempt = 0; attempt < 300 && ReadSetting(L"NetworkEnabled") != 1u; ++attempt)
        Sleep(50);
    EXPECT_EQ(ReadSetting(L"NetworkEnabled"), 1u);
    EXPECT_EQ(ReadIdentityString(kNetworkNicknameValue), L"咕噜兽");
    EXPECT_FALSE(ReadIdentityString(kNetworkDeviceIdValue).value_or(L"").empty());
    EXPECT_FALSE(WaitForMessageBox(pet.id(), 300ms)) << "going online reports nothing";

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(pet.WaitForExit(15s), 0u);
}

}  // namespace
