// Start-up of the pet with a stored identity: online mode is only taken up when the user had it
// switched on and the identity is complete.
#include "app/pet_app.h"
#include "core/setting_names.h"
#include "online/identity_registry.h"
#include "online_test_support.h"
#include "support/fake_clock.h"
#include "support/memory_settings_store.h"
#include "support/recording_notices.h"

#include <gtest/gtest.h>

namespace {

// The pet as the program starts it, with the pictures of this test's own resources.
struct StartedPet {
    explicit StartedPet(std::optional<DWORD> networkEnabled) {
        if (networkEnabled) store.dwords[setting::kNetworkEnabled] = *networkEnabled;
        started = app.Initialize();
    }
    FakeClock clock{2026, 12, 9};
    MemorySettingsStore store;
    RecordingNotices notices;
    PetApp app{GetModuleHandleW(nullptr), clock, store, notices};
    bool started = false;
};

void StoreCompleteIdentity() {
    ClearSettingsKey();
    ASSERT_TRUE(WriteIdentityString(kNetworkDeviceIdValue, L"dev-start"));
    ASSERT_TRUE(WriteIdentityString(kNetworkNicknameValue, L"开机"));
    ASSERT_TRUE(WriteProtectedToken(FakeToken(L'9')));
}

TEST(StartUp, OnlineModeNeedsTheSwitchAndACompleteIdentity) {
    StoreCompleteIdentity();
    {
        StartedPet pet(1);
        ASSERT_TRUE(pet.started);
        EXPECT_TRUE(pet.app.networkEnabled());
        EXPECT_EQ(pet.app.online().Identity().deviceId, L"dev-start");
        EXPECT_EQ(pet.app.online().Identity().token, FakeToken(L'9'));
    }
    {
        StartedPet pet(std::nullopt);
        ASSERT_TRUE(pet.started);
        EXPECT_FALSE(pet.app.networkEnabled());
        EXPECT_TRUE(pet.app.online().HasCompleteIdentity());
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Kiv\\MossquillDesktopPet", kNetworkTokenProtectedValue);
    {
        StartedPet pet(1);
        ASSERT_TRUE(pet.started);
        EXPECT_FALSE(pet.app.networkEnabled());
        EXPECT_EQ(pet.app.online().Identity().deviceId, L"");
    }
}

}  // namespace
