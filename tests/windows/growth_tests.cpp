// Growth: crediting counted presses, levels and unlocks, manual words and the growth record.
#include "core/calendar.h"
#include "pet/growth.h"
#include "platform/keyboard_hook.h"
#include "support/offline_pet.h"

#include <gtest/gtest.h>

namespace {

// Totals stored for the current day and week of the offline pet's clock (Wednesday 2026-12-09).
void StoreTotals(OfflinePet& pet, int32_t weekly, int32_t today = 0) {
    pet.store.dwords[L"WeeklyWords"] = static_cast<DWORD>(weekly);
    pet.store.dwords[L"WeekKey"] = 20261207;
    pet.store.dwords[L"TodayInput"] = static_cast<DWORD>(today);
    pet.store.dwords[L"TypingDayKey"] = 20261209;
}

TEST(Growth, CountedPressesAreCreditedOnTheClockTickOnlyWhileCountingIsOn) {
    OfflinePet pet;
    PetApp& app = pet.Loaded();
    g_pendingKeyPresses = 7;
    pet.LiveFor(1000);
    EXPECT_EQ(app.growth().weeklyWords(), 0) << "counting off: discarded";
    EXPECT_EQ(g_pendingKeyPresses.load(), 0u);

    OfflinePet counting;
    counting.store.dwords[L"AutoTypingEnabled"] = 1;
    PetApp& countingApp = counting.Loaded();
    g_pendingKeyPresses = 12;
    counting.LiveFor(1000);
    EXPECT_EQ(countingApp.growth().todayInput(), 12);
    EXPECT_EQ(countingApp.growth().weeklyWords(), 12);
    EXPECT_EQ(counting.store.dwords[L"TodayInput"], 12u);
    EXPECT_EQ(counting.store.dwords[L"TypingDayKey"], 20261209u);
    EXPECT_EQ(counting.store.dwords[L"WeeklyWords"], 12u);
    EXPECT_EQ(counting.store.dwords[L"WeekKey"], 20261207u);
}

TEST(Growth, CrossingFiveHundredByTypingSwitchesAppearanceWithAReactionText) {
    OfflinePet pet;
    pet.store.dwords[L"AutoTypingEnabled"] = 1;
    StoreTotals(pet, 499);
    PetApp& app = pet.Loaded();
    g_pendingKeyPresses = 1;
    pet.LiveFor(1000);
    EXPECT_EQ(app.growth().weeklyWords(), 500);
    EXPECT_EQ(app.growth().maxUnlockedAppearance(), 2);
    EXPECT_EQ(app.growth().selectedAppearance(), 2);
    EXPECT_EQ(pet.store.dwords[L"MaxUnlockedAppearance"], 2u);
    EXPECT_EQ(pet.store.dwords[L"SelectedAppearance"], 2u);
    EXPECT_EQ(app.reaction().text(), L"升级啦：见习魔法师");
    EXPECT_EQ(app.reaction().endTick(), pet.clock.Now() + 3600);
    EXPECT_TRUE(app.pose().showsAppearanceCutIn());
    EXPECT_TRUE(pet.notices.shown.empty());
}

TEST(Growth, ManualSixHundredAtFourHundredFiftyIsOneLevelUpStraightToTheGrandMage) {
    OfflinePet pet;
    StoreTotals(pet, 450);
    PetApp& app = pet.Loaded();
    EXPECT_TRUE(app.AddActivity(600, true));
    EXPECT_EQ(app.growth().weeklyWords(), 1050);
    EXPECT_EQ(app.growth().selectedAppearance(), 3);
    ASSERT_EQ(pet.notices.shown.size(), 1u);
    EXPECT_EQ(pet.notices.shown[0].text, L"升级啦！现在是「咕噜兽大法师」。新形象已永久解锁。");
    EXPECT_EQ(pet.notices.shown[0].caption, L"咕噜兽升级");

    EXPECT_FALSE(app.AddActivity(10, true)) << "no level above 3";
    EXPECT_FALSE(app.AddActivity(0, true));
    EXPECT_EQ(app.growth().weeklyWords(), 1060);
}

TEST(Growth, TotalsStopAtTwoBillion) {
    OfflinePet pet;
    StoreTotals(pet, 1'999'999'990, 1'999'999'999);
    PetApp& app = pet.Loaded();
    app.AddActivity(1'000'000, false);
    EXPECT_EQ(app.growth().weeklyWords(), 2'000'000'000);
    EXPECT_EQ(app.growth().todayInput(), 2'000'000'000);
}

TEST(Growth, AppearanceSelectionIsCappedAndReplaysItsCutIn) {
    OfflinePet pet;
    pet.store.dwords[L"MaxUnlockedAppearance"] = 2;
    PetApp& app = pet.Loaded();
    app.ShowPose(POSE_FLYING, 0);
    app.SetAppearance(3);
    EXPECT_EQ(app.growth().selectedAppearance(), 2);
    EXPECT_EQ(app.pose().pose(), POSE_NORMAL);
    EXPECT_TRUE(app.pose().showsAppearanceCutIn());
    app.SetAppearance(-4);
    EXPECT_EQ(app.growth().selectedAppearance(), 0);
    EXPECT_FALSE(app.pose().showsAppearanceCutIn());
}

TEST(Growth, WeekRollOverDropsTheLevelButKeepsUnlocks) {
    OfflinePet pet(FakeClock(2026, 12, 13, 23, 59));
    PetApp& app = pet.Loaded();
    app.AddActivity(1200, false);
    EXPECT_EQ(app.growth().maxUnlockedAppearance(), 3);
    pet.LiveFor(60000);
    EXPECT_EQ(app.growth().weeklyWords(), 0);
    EXPECT_EQ(WeeklyLevel(app.growth().weeklyWords()), 1);
    EXPECT_EQ(app.growth().maxUnlockedAppearance(), 3);
}

TEST(GrowthRecord, MenuShowsItInABox) {
    OfflinePet pet;
    PetApp& app = pet.Loaded();
    app.RunMenuCommand(102);
    ASSERT_EQ(pet.notices.shown.size(), 1u);
    EXPECT_EQ(pet.notices.shown[0].caption, L"咕噜兽成长记录");
    EXPECT_EQ(pet.notices.shown[0].text, GrowthRecordText(0, 0, 1, false));
}

}  // namespace
