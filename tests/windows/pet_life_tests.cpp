// Energy, petting, feeding, the dragon, reminders and the idle pose, on an injected clock.
#include "pet/reminder_schedule.h"
#include "pet/vitals.h"
#include "support/offline_pet.h"
#include "ui/context_menu.h"
#include "ui/menu_commands.h"
#include "ui/pointer_gestures.h"

#include <gtest/gtest.h>

namespace {

TEST(Petting, CyclesThroughFourPhrasesAndHoldsThePetStill) {
    OfflinePet pet;
    PetApp& app = pet.Loaded();
    const wchar_t* expected[] = {L"摸摸～", L"再摸一下！", L"陪你上班呢", L"今天也辛苦啦", L"摸摸～"};
    for (const wchar_t* phrase : expected) {
        app.Pet();
        EXPECT_EQ(app.reaction().text(), phrase);
        EXPECT_EQ(app.reaction().endTick(), pet.clock.Now() + 1500);
        EXPECT_EQ(app.movement().pauseUntil(), pet.clock.Now() + 900);
        pet.clock.Advance(100);
    }
    EXPECT_EQ(app.vitals().energy(), 100) << "petting does not feed";

    app.SetVisitShowing(true);
    pet.clock.Advance(5000);
    app.Pet();
    EXPECT_EQ(app.vitals().petCount(), 5u);
    EXPECT_LT(app.reaction().endTick(), pet.clock.Now());
    EXPECT_LT(app.movement().pauseUntil(), pet.clock.Now());
}

TEST(Feeding, AddsThirtyUpToAHundredAndSaysSo) {
    OfflinePet pet;
    pet.store.dwords[L"Energy"] = 99;
    PetApp& app = pet.Loaded();
    app.Feed();
    EXPECT_EQ(app.vitals().energy(), 100);
    EXPECT_EQ(pet.notices.shown.back().text, L"投喂成功，电量恢复到 100。");
    EXPECT_EQ(pet.notices.shown.back().caption, L"给咕噜兽投喂");
    EXPECT_EQ(pet.notices.shown.back().flags, static_cast<UINT>(MB_ICONINFORMATION));
    app.Feed();
    EXPECT_EQ(app.vitals().energy(), 100);
    EXPECT_EQ(pet.notices.shown.back().text, L"咕噜兽已经充满电啦！");
    EXPECT_EQ(app.pose().pose(), POSE_NORMAL) << "feeding starts no pose";

    MemorySettingsStore store;
    Vitals vitals(store);
    vitals.Restore(12, 0, 0);
    const Feeding feeding = vitals.Feed();
    EXPECT_EQ(feeding.before, 12);
    EXPECT_EQ(feeding.after, 42);
    EXPECT_EQ(store.dwords[L"Energy"], 42u);
    EXPECT_EQ(FeedingText(feeding), L"投喂成功，电量恢复到 42。");
}

TEST(Dragon, OnceADayWithTenPointsEitherWay) {
    OfflinePet pet(FakeClock(2026, 12, 9, 23, 50));
    pet.store.dwords[L"Energy"] = 95;
    PetApp& app = pet.Loaded();
    app.ChallengeDragon();
    EXPECT_EQ(app.vitals().lastBattleDay(), 20261209);
    EXPECT_EQ(pet.store.dwords[L"LastBattleDay"], 20261209u);
    const bool won = app.pose().pose() == POSE_DRAGON_WON;
    if (won) {
        EXPECT_EQ(app.vitals().energy(), 100);
        EXPECT_EQ(pet.notices.shown.back().text, L"挑战成功！咕噜兽从恶龙那里赢回了 10 点电量。");
        EXPECT_EQ(pet.notices.shown.back().caption, L"战胜恶龙");
    } else {
        EXPECT_EQ(app.pose().pose(), POSE_DRAGON_LOST);
        EXPECT_EQ(app.vitals().energy(), 85);
        EXPECT_EQ(pet.notices.shown.back().text, L"这次挑战失败，咕噜兽消耗了 10 点电量——明天再战！");
        EXPECT_EQ(pet.notices.shown.back().caption, L"挑战恶龙");
    }
    EXPECT_EQ(app.pose().endTick(), pet.clock.Now() + 12000);

    const int32_t energyAfter = app.vitals().energy();
    app.ChallengeDragon();
    EXPECT_EQ(app.vitals().energy(), energyAfter);
    EXPECT_EQ(pet.notices.shown.back().text, L"今天已经挑战过恶龙啦，明天再来！");

    pet.clock.Advance(15 * 60000);  // past midnight, the program still running
    pet.notices.shown.clear();
    app.ChallengeDragon();
    EXPECT_EQ(app.vitals().lastBattleDay(), 20261210);
    EXPECT_NE(pet.notices.shown.back().text, L"今天已经挑战过恶龙啦，明天再来！");
}

TEST(Dragon, BoundsCutTheChangeButTheTextStillSaysTen) {
    for (uint32_t offset = 0;; ++offset) {
        OfflinePet pet;
        pet.store.dwords[L"Energy"] = 4;
        PetApp& app = pet.Loaded();
        pet.clock.Advance(offset);
        app.ChallengeDragon();
        if (app.pose().pose() == POSE_DRAGON_LOST) {
            EXPECT_EQ(app.vitals().energy(), 0);
            EXPECT_NE(pet.notices.shown.back().text.find(L"10 点"), std::wstring::npos);
            break;
        }
        ASSERT_LT(offset, 64u) << "no lost challenge in 64 draws";
    }
}

TEST(Dragon, OddsAreEven) {
    int wins = 0;
    constexpr int kDraws = 20000;
    for (uint32_t i = 0; i < kDraws; ++i)
        wins += DragonChallengeWon(i * 2654435761u) ? 1 : 0;
    // Five standard deviations of a fair coin over 20000 throws is about 354.
    EXPECT_NEAR(wins, kDraws / 2, 354);
}

TEST(WaterReminder, FiresOneIntervalAfterStartThenAfterEachFiring) {
    OfflinePet pet;
    pet.store.dwords[L"WaterIntervalMinutes"] = 30;
    PetApp& app = pet.Loaded();
    pet.LiveFor(30 * 60000 - 1000);
    EXPECT_TRUE(pet.notices.shown.empty());
    pet.LiveFor(1000);
    ASSERT_EQ(pet.notices.shown.size(), 1u);
    EXPECT_EQ(pet.notices.shown[0].text, L"咕噜兽举杯提醒你：先喝几口水，再继续冒险吧！");
    EXPECT_EQ(pet.notices.shown[0].caption, L"喝水时间到");
    EXPECT_EQ(app.pose().pose(), POSE_CHEERS);
    EXPECT_EQ(app.pose().endTick(), pet.clock.Now() + 12000);
    EXPECT_EQ(app.reminders().nextWaterTick(), pet.clock.Now() + 30 * 60000);
    pet.LiveFor(30 * 60000);
    EXPECT_EQ(pet.notices.shown.size(), 2u);
}

TEST(WaterReminder, SwitchedOffTheBookedOneIsCancelledAndOnlyThirtyOrFortyFiveCount) {
    MemorySettingsStore store;
    ReminderSchedule schedule(store);
    schedule.Restore(StoredReminders{}, 0);
    EXPECT_EQ(schedule.waterIntervalMinutes(), 45);
    EXPECT_FALSE(schedule.WaterDue(45 * 60000 - 1));
    schedule.SetWaterInterval(0, 10 * 60000);
    EXPECT_EQ(schedule.nextWaterTick(), 0u);
    EXPECT_FALSE(schedule.WaterDue(45 * 60000));
    EXPECT_FALSE(schedule.WaterDue(100 * 60000));
    schedule.SetWaterInterval(60, 0);
    EXPECT_EQ(schedule.waterIntervalMinutes(), 0);
    schedule.SetWaterInterval(30, 100 * 60000);
    EXPECT_FALSE(schedule.WaterDue(130 * 60000 - 1));
    EXPECT_TRUE(schedule.WaterDue(130 * 60000));
    EXPECT_FALSE(schedule.WaterDue(130 * 60000 + 1000));
    EXPECT_TRUE(store.writes.empty()) << "the interval is stored by whoever changes it";
}

TEST(WaterReminder, FiresDuringAVisitWithoutWaiting) {
    OfflinePet pet;
    PetApp& app = pet.Loaded();
    app.SetVisitShowing(true);
    pet.LiveFor(45 * 60000);
    EXPECT_EQ(pet.Captions(), std::vector<std::wstring>{L"喝水时间到"});
}

TEST(OffworkReminder, FiresWithinItsMinuteOnceADayAndIsNotMadeUp) {
    OfflinePet pet(FakeClock(2026, 12, 9, 17, 59));
    pet.store.dwords = {
        {L"OffworkEnabled", 1}, {L"OffworkHour", 18}, {L"OffworkMinute", 0}, {L"WaterIntervalMinutes", 0}};
    PetApp& app = pet.Loaded();
    pet.LiveFor(60000);  // now 18:00:00
    ASSERT_EQ(pet.notices.shown.size(), 1u);
    EXPECT_EQ(pet.notices.shown[0].text, L"到点啦！咕噜兽催你收拾一下，准备下班。");
    EXPECT_EQ(pet.notices.shown[0].caption, L"咕噜兽：下班！");
    EXPECT_EQ(app.pose().pose(), POSE_OFF_WORK);
    EXPECT_EQ(app.pose().endTick(), pet.clock.Now() + 15000);
    EXPECT_EQ(pet.store.dwords[L"LastOffworkDay"], 20261209u);
    pet.LiveFor(59000);
    EXPECT_EQ(pet.notices.shown.size(), 1u);

    // Moved later the same day: already fired today.
    ReminderSchedule moved(pet.store);
    moved.Restore(StoredReminders{0, 1, 18, 0, 20261209, 0}, 0);
    moved.SetOffwork(true, 18, 5);
    EXPECT_FALSE(moved.OffworkDue(FakeClock(2026, 12, 9, 18, 5).LocalTime()));
    EXPECT_TRUE(moved.OffworkDue(FakeClock(2026, 12, 10, 18, 5).LocalTime()));
    EXPECT_EQ(pet.store.dwords[L"LastOffworkDay"], 20261210u);

    OfflinePet lateStart(FakeClock(2026, 12, 9, 18, 0));
    lateStart.clock.Advance(30000);
    lateStart.store.dwords = pet.store.dwords;
    lateStart.store.dwords.erase(L"LastOffworkDay");
    lateStart.Loaded();
    lateStart.LiveFor(1000);
    EXPECT_EQ(lateStart.notices.shown.size(), 1u) << "18:00:30 is still the minute";

    OfflinePet tooLate(FakeClock(2026, 12, 9, 18, 1));
    tooLate.store.dwords = lateStart.store.dwords;
    tooLate.store.dwords.erase(L"LastOffworkDay");
    tooLate.Loaded();
    tooLate.LiveFor(3600 * 1000);
    EXPECT_TRUE(tooLate.notices.shown.empty());
}

TEST(LateNight, StartsOnceAfterALastingPoseIsLeft) {
    OfflinePet pet(FakeClock(2026, 12, 9, 23, 10));
    pet.store.dwords[L"WaterIntervalMinutes"] = 0;
    PetApp& app = pet.Loaded();
    app.ShowPose(POSE_FLYING, 0);
    pet.LiveFor(5000);
    EXPECT_EQ(app.pose().pose(), POSE_FLYING);
    EXPECT_EQ(app.reminders().lastLateNightDay(), 0);
    app.ShowPose(POSE_NORMAL, 0);
    pet.LiveFor(1000);
    EXPECT_EQ(app.pose().pose(), POSE_LATE_NIGHT);
    EXPECT_EQ(app.pose().endTick(), pet.clock.Now() + 10000);
    EXPECT_EQ(pet.store.dwords[L"LastLateNightDay"], 20261209u);
    EXPECT_TRUE(pet.notices.shown.empty()) << "only a pose, no message";
    app.ShowPose(POSE_NORMAL, 0);
    pet.LiveFor(5000);
    EXPECT_EQ(app.pose().pose(), POSE_NORMAL) << "once a day";

    OfflinePet afterMidnight(FakeClock(2026, 12, 10, 0, 30));
    afterMidnight.Loaded();
    afterMidnight.LiveFor(5000);
    EXPECT_EQ(afterMidnight.app.pose().pose(), POSE_NORMAL);
}

TEST(IdleCheck, SlacksAfterTenIdleMinutesWithItsSpacing) {
    OfflinePet pet;
    pet.store.dwords[L"WaterIntervalMinutes"] = 0;
    PetApp& app = pet.Loaded();
    const uint64_t start = pet.clock.Now();
    pet.clock.idleMs = 700000;
    pet.LiveFor(479000);
    EXPECT_EQ(app.pose().pose(), POSE_NORMAL) << "the first check comes after 8 minutes";
    pet.LiveFor(1000);
    EXPECT_EQ(app.pose().pose(), POSE_SLACKING);
    EXPECT_EQ(app.reminders().nextIdleCheckTick(), start + 480000 + 1800000);

    pet.LiveFor(10000);
    EXPECT_EQ(app.pose().pose(), POSE_NORMAL);
    pet.LiveFor(1800000 - 11000);
    EXPECT_EQ(app.pose().pose(), POSE_NORMAL);
    pet.LiveFor(1000);
    EXPECT_EQ(app.pose().pose(), POSE_SLACKING) << "the second check 30 minutes after the first";
    pet.LiveFor(10000);

    // Input seen: the next check comes 5 minutes later. A lasting pose blocks and retries each tick.
    pet.clock.idleMs = 1000;
    app.ShowPose(POSE_NORMAL, 0);
    const uint64_t due = app.reminders().nextIdleCheckTick();
    pet.clock.Advance(due - pet.clock.Now() - 1000);
    pet.LiveFor(1000);
    EXPECT_EQ(app.reminders().nextIdleCheckTick(), pet.clock.Now() + 300000);
    app.ShowPose(POSE_BEGGING, 0);
    pet.clock.idleMs = 900000;
    pet.LiveFor(300000);
    EXPECT_EQ(app.pose().pose(), POSE_BEGGING);
    EXPECT_EQ(app.reminders().nextIdleCheckTick(), pet.clock.Now()) << "left unchanged while blocked";
    app.ShowPose(POSE_NORMAL, 0);
    pet.LiveFor(1000);
    EXPECT_EQ(app.pose().pose(), POSE_SLACKING);

    // A system that cannot tell counts as recent input.
    OfflinePet blind;
    blind.clock.idleMs.reset();
    blind.Loaded();
    blind.LiveFor(480000);
    EXPECT_EQ(blind.app.pose().pose(), POSE_NORMAL);
    EXPECT_EQ(blind.app.reminders().nextIdleCheckTick(), blind.clock.Now() + 300000);
}

TEST(Poses, TimedPosesEndOnTheFrameTickAndMenuPosesLast) {
    OfflinePet pet;
    PetApp& app = pet.Loaded();
    app.RunMenuCommand(125);  // 摆烂一下
    EXPECT_EQ(app.pose().pose(), POSE_SLACKING);
    EXPECT_EQ(app.pose().endTick(), pet.clock.Now() + 10000);
    pet.clock.Advance(10000);
    app.OnFrameTimer();
    EXPECT_EQ(app.pose().pose(), POSE_NORMAL);

    app.RunMenuCommand(124);  // 喝水碰杯
    EXPECT_EQ(app.pose().pose(), POSE_CHEERS);
    EXPECT_EQ(app.pose().endTick(), 0u);

    // Only the seven pose commands name a pose.
    EXPECT_EQ(PoseForCommand(CMD_POSE_FIRST)->pose, POSE_NORMAL);
    EXPECT_FALSE(PoseForCommand(CMD_POSE_FIRST - 1).has_value());
    EXPECT_FALSE(PoseForCommand(CMD_POSE_LAST + 1).has_value());
    EXPECT_FALSE(PoseForCommand(CMD_FRIEND_VISIT_FIRST).has_value());
}

}  // namespace

namespace {

TEST(PointerGestures, FourPixelsMakeADragAndOnlyAReleaseWithoutOneIsAClick) {
    PointerGestures pointer;
    const RECT window{300, 200, 530, 430};
    EXPECT_EQ(pointer.ReleaseButton(), Release::Nothing) << "no press, nothing to release";

    pointer.Press(POINT{400, 300}, window);
    EXPECT_TRUE(pointer.holding());
    EXPECT_FALSE(pointer.Move(POINT{403, 297}, true));
    EXPECT_EQ(pointer.ReleaseButton(), Release::Click) << "a three-pixel wobble pets";
    EXPECT_FALSE(pointer.holding());

    pointer.Press(POINT{400, 300}, window);
    EXPECT_FALSE(pointer.Move(POINT{404, 300}, false)) << "the button is no longer down";
    const auto dragged = pointer.Move(POINT{404, 300}, true);
    ASSERT_TRUE(dragged);
    EXPECT_EQ(dragged->x, 304);
    const auto back = pointer.Move(POINT{401, 301}, true);
    ASSERT_TRUE(back) << "once dragging, every move follows";
    EXPECT_EQ(back->x, 301);
    EXPECT_EQ(back->y, 201);
    EXPECT_EQ(pointer.ReleaseButton(), Release::DragEnded);

    pointer.Press(POINT{400, 300}, window);
    pointer.Cancel();  // the second click of a double click feeds instead
    EXPECT_EQ(pointer.ReleaseButton(), Release::Nothing);

    EXPECT_TRUE(pointer.Enter());
    EXPECT_FALSE(pointer.Enter()) << "the leave is tracked once per visit";
    EXPECT_TRUE(pointer.holding());
    pointer.Leave();
    EXPECT_FALSE(pointer.holding());
}

}  // namespace
