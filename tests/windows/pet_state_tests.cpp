// The persisted state: load rules, saving, start position.
#include "core/calendar.h"
#include "app/pet_app.h"
#include "support/fake_clock.h"
#include "support/memory_settings_store.h"
#include "support/recording_notices.h"

#include <gtest/gtest.h>

namespace {

struct LoadedPet {
    explicit LoadedPet(FakeClock clockAt = FakeClock(2026, 12, 9)) : clock(clockAt) {}
    PetApp& Load() {
        app.LoadSettings();
        return app;
    }
    FakeClock clock;
    MemorySettingsStore store;
    RecordingNotices notices;
    PetApp app{nullptr, clock, store, notices};
};

TEST(LoadSettings, FirstStartWithEmptyKeyUsesDefaultsAndWritesTheCalendarValuesAtOnce) {
    LoadedPet pet;
    PetApp& app = pet.Load();
    EXPECT_EQ(app.vitals().energy(), 100);
    EXPECT_EQ(app.growth().selectedAppearance(), 1);
    EXPECT_EQ(app.growth().maxUnlockedAppearance(), 1);
    EXPECT_EQ(app.movement().petSize(), 230);
    EXPECT_EQ(app.reminders().waterIntervalMinutes(), 45);
    EXPECT_FALSE(app.reminders().offworkEnabled());
    EXPECT_EQ(app.reminders().offworkHour(), 18);
    EXPECT_EQ(app.reminders().offworkMinute(), 0);
    EXPECT_EQ(app.movement().mode(), 0);
    EXPECT_FALSE(app.movement().walking());
    EXPECT_FALSE(app.growth().autoTypingEnabled());
    const std::vector<std::wstring> written = {L"TodayInput", L"TypingDayKey", L"WeeklyWords", L"WeekKey"};
    EXPECT_EQ(pet.store.writes, written);
    EXPECT_EQ(pet.store.dwords[L"TypingDayKey"], 20261209u);
    EXPECT_EQ(pet.store.dwords[L"WeekKey"], 20261207u);
    EXPECT_EQ(app.growth().todayKey(), 20261209);
    EXPECT_EQ(app.growth().weekKey(), 20261207);
    EXPECT_EQ(app.reminders().nextWaterTick(), pet.clock.Now() + 45 * 60000);
    EXPECT_EQ(app.reminders().nextIdleCheckTick(), pet.clock.Now() + 480000);
}

TEST(LoadSettings, ClampsOutOfRangeValues) {
    LoadedPet pet;
    pet.store.dwords = {{L"Energy", static_cast<DWORD>(-5)},
                        {L"PetSize", 200},
                        {L"OffworkHour", 30},
                        {L"OffworkMinute", 75},
                        {L"WaterIntervalMinutes", 60},
                        {L"TodayInput", static_cast<DWORD>(-3)}};
    PetApp& app = pet.Load();
    EXPECT_EQ(app.vitals().energy(), 0);
    EXPECT_EQ(app.movement().petSize(), 230);
    EXPECT_EQ(app.reminders().offworkHour(), 23);
    EXPECT_EQ(app.reminders().offworkMinute(), 59);
    EXPECT_EQ(app.reminders().waterIntervalMinutes(), 0);
    EXPECT_EQ(app.reminders().nextWaterTick(), 0u);

    LoadedPet other;
    other.store.dwords = {{L"Energy", 250}, {L"PetSize", 285}, {L"WaterIntervalMinutes", 30}};
    EXPECT_EQ(other.Load().vitals().energy(), 100);
    EXPECT_EQ(other.app.movement().petSize(), 285);
    EXPECT_EQ(other.app.reminders().waterIntervalMinutes(), 30);
}

TEST(LoadSettings, WaterOffStaysOff) {
    LoadedPet pet;
    pet.store.dwords = {{L"WaterIntervalMinutes", 0}};
    EXPECT_EQ(pet.Load().reminders().waterIntervalMinutes(), 0);
}

TEST(LoadSettings, AppearanceIsRaisedToTheWeeklyLevelAndSelectionCappedByTheUnlock) {
    LoadedPet pet;
    pet.store.dwords = {{L"WeeklyWords", 700}, {L"WeekKey", 20261207}, {L"MaxUnlockedAppearance", 1}};
    PetApp& app = pet.Load();
    EXPECT_EQ(app.growth().maxUnlockedAppearance(), 2);
    EXPECT_EQ(app.growth().selectedAppearance(), 2);  // absent selection follows the level

    LoadedPet capped;
    capped.store.dwords = {{L"SelectedAppearance", 3}, {L"MaxUnlockedAppearance", 2}};
    EXPECT_EQ(capped.Load().growth().selectedAppearance(), 2);

    LoadedPet negative;
    negative.store.dwords = {{L"SelectedAppearance", static_cast<DWORD>(-2)}, {L"MaxUnlockedAppearance", 9}};
    EXPECT_EQ(negative.Load().growth().selectedAppearance(), 0);
    EXPECT_EQ(negative.app.growth().maxUnlockedAppearance(), 3);
}

TEST(LoadSettings, WeeklyTotalResetsWhenTheStoredWeekIsAnotherWeek) {
    LoadedPet lastWeek(FakeClock(2026, 12, 13));  // a Sunday
    lastWeek.store.dwords = {{L"WeeklyWords", 1200}, {L"WeekKey", 20261130}, {L"MaxUnlockedAppearance", 3}};
    PetApp& app = lastWeek.Load();
    EXPECT_EQ(app.growth().weeklyWords(), 0);
    EXPECT_EQ(app.growth().weekKey(), 20261207);
    EXPECT_EQ(lastWeek.store.dwords[L"WeekKey"], 20261207u);
    EXPECT_EQ(app.growth().maxUnlockedAppearance(), 3);  // unlocks are kept for good

    LoadedPet sameWeek(FakeClock(2026, 12, 13));
    sameWeek.store.dwords = {
        {L"WeeklyWords", 1200}, {L"WeekKey", 20261207}, {L"TodayInput", 40}, {L"TypingDayKey", 20261212}};
    EXPECT_EQ(sameWeek.Load().growth().weeklyWords(), 1200);
    EXPECT_EQ(sameWeek.app.growth().todayInput(), 0);  // yesterday's count does not carry over
}

TEST(LoadSettings, MovementModeFallsBackToTheWalkingSwitch) {
    LoadedPet invalidMode;
    invalidMode.store.dwords = {{L"MovementMode", 7}, {L"WalkingEnabled", 1}};
    EXPECT_EQ(invalidMode.Load().movement().mode(), 1);
    EXPECT_TRUE(invalidMode.app.movement().walking());

    LoadedPet mixed;
    mixed.store.dwords = {{L"MovementMode", 3}, {L"WalkingEnabled", 0}};
    EXPECT_EQ(mixed.Load().movement().mode(), 3);
    EXPECT_TRUE(mixed.app.movement().walking());

    LoadedPet dashing;
    dashing.store.dwords = {{L"MovementMode", 2}};
    EXPECT_EQ(dashing.Load().movement().mode(), 2);
    EXPECT_FALSE(dashing.app.movement().walking());
}

TEST(SaveAll, WritesEveryValueInItsFixedOrder) {
    LoadedPet pet;
    pet.store.dwords = {{L"MovementMode", 2}, {L"Energy", 57}};
    PetApp& app = pet.Load();
    pet.store.writes.clear();
    app.SaveAll();
    const std::vector<std::wstring> order = {
        L"Energy",         L"WeeklyWords",           L"TodayInput",         L"TypingDayKey",
        L"WeekKey",        L"MaxUnlockedAppearance", L"SelectedAppearance", L"PetSize",
        L"WalkingEnabled", L"MovementMode",          L"AutoTypingEnabled",  L"WaterIntervalMinutes",
        L"LastBattleDay",  L"OffworkEnabled",        L"OffworkHour",        L"OffworkMinute",
        L"LastOffworkDay", L"LastLateNightDay"};
    EXPECT_EQ(pet.store.writes, order);
    EXPECT_EQ(pet.store.dwords[L"Energy"], 57u);
    EXPECT_EQ(pet.store.dwords[L"WalkingEnabled"], 1u);
}

TEST(ClockTick, DecayTakesWholeStepsAndRollsTheCalendarOver) {
    LoadedPet pet(FakeClock(2026, 12, 13, 23, 0));
    PetApp& app = pet.Load();
    const uint64_t decayStart = app.vitals().lastDecayTick();

    pet.clock.Advance(14 * 60000 + 59000);
    app.OnClockTimer();
    EXPECT_EQ(app.vitals().energy(), 98);

    pet.clock.Advance(1000);  // 15:00 in all
    app.OnClockTimer();
    EXPECT_EQ(app.vitals().energy(), 97);
    EXPECT_EQ(app.vitals().lastDecayTick(), decayStart + 3 * 300000);

    // Two hours between ticks: 24 points at once, the decay clock moved by exactly 24 steps.
    app.AddActivity(600, false);
    ASSERT_EQ(app.growth().weeklyWords(), 600);
    pet.store.writes.clear();
    pet.clock.Advance(2 * 3600 * 1000);
    app.OnClockTimer();
    EXPECT_EQ(app.vitals().energy(), 73);
    EXPECT_EQ(app.vitals().lastDecayTick(), decayStart + 27 * 300000);
    EXPECT_EQ(pet.store.dwords[L"Energy"], 73u);
    // It is Monday 01:15 now: a new day and a new week.
    EXPECT_EQ(app.growth().todayKey(), 20261214);
    EXPECT_EQ(app.growth().weekKey(), 20261214);
    EXPECT_EQ(app.growth().todayInput(), 0);
    EXPECT_EQ(app.growth().weeklyWords(), 0);
    const std::vector<std::wstring> order = {L"TodayInput", L"TypingDayKey", L"WeeklyWords", L"WeekKey", L"Energy"};
    EXPECT_EQ(pet.store.writes, order);

    pet.clock.Advance(10 * 3600 * 1000);
    app.OnClockTimer();
    EXPECT_EQ(app.vitals().energy(), 0);
}

TEST(SaveAll, TotalsStayUnderTheDayAndWeekTheyWereCountedIn) {
    // Sunday 23:59:59.5; the save comes before the clock tick has seen Monday.
    LoadedPet pet(FakeClock(2026, 12, 13, 23, 59));
    pet.clock.Advance(59500);
    PetApp& app = pet.Load();
    app.AddActivity(1200, false);
    pet.clock.Advance(1000);
    app.SaveAll();
    EXPECT_EQ(pet.store.dwords[L"WeeklyWords"], 1200u);
    EXPECT_EQ(pet.store.dwords[L"WeekKey"], 20261207u);
    EXPECT_EQ(pet.store.dwords[L"TodayInput"], 1200u);
    EXPECT_EQ(pet.store.dwords[L"TypingDayKey"], 20261213u);

    // Activity in Monday's first second, before that tick: last week's total is not carried on.
    app.AddActivity(5, false);
    EXPECT_EQ(pet.store.dwords[L"WeeklyWords"], 5u);
    EXPECT_EQ(pet.store.dwords[L"WeekKey"], 20261214u);
    EXPECT_EQ(pet.store.dwords[L"TodayInput"], 5u);
    EXPECT_EQ(pet.store.dwords[L"TypingDayKey"], 20261214u);
    EXPECT_EQ(app.growth().maxUnlockedAppearance(), 3);

    LoadedPet monday(FakeClock(2026, 12, 14, 0, 0));
    monday.store.dwords = {{L"WeeklyWords", 1200}, {L"WeekKey", 20261207}};
    EXPECT_EQ(monday.Load().growth().weeklyWords(), 0);
}

}  // namespace
