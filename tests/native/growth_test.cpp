// The calendar keys and growth's pure parts: manual words and the growth record.
#include "core/calendar.h"
#include "pet/growth.h"
#include "support/fake_clock.h"

#include <gtest/gtest.h>

namespace {

LocalDateTime Local(int year, int month, int day) { return FakeClock(year, month, day).LocalTime(); }

TEST(CalendarKeys, DayKeysAndMondayWeekKeysAcrossMonthAndYearEnds) {
    EXPECT_EQ(DayKeyOf(Local(2026, 12, 7)), 20261207);
    EXPECT_EQ(WeekKeyOf(Local(2026, 12, 7)), 20261207);   // Monday is its own week key
    EXPECT_EQ(WeekKeyOf(Local(2026, 12, 13)), 20261207);  // Sunday belongs to the week before
    EXPECT_EQ(WeekKeyOf(Local(2026, 12, 14)), 20261214);
    EXPECT_EQ(WeekKeyOf(Local(2026, 10, 1)), 20260928);  // Thursday back into September
    EXPECT_EQ(WeekKeyOf(Local(2027, 1, 3)), 20261228);   // Sunday back into the old year
    EXPECT_EQ(WeekKeyOf(Local(2024, 3, 2)), 20240226);   // across a leap February
    EXPECT_EQ(DayKeyOf(Local(2027, 1, 1)), 20270101);
}

TEST(CalendarKeys, WeeklyLevelThresholds) {
    EXPECT_EQ(WeeklyLevel(0), 1);
    EXPECT_EQ(WeeklyLevel(499), 1);
    EXPECT_EQ(WeeklyLevel(500), 2);
    EXPECT_EQ(WeeklyLevel(999), 2);
    EXPECT_EQ(WeeklyLevel(1000), 3);
}

TEST(ManualWords, AcceptsOnlyWholeNumbersFromOneToAMillion) {
    EXPECT_EQ(ParseManualWords(L"1"), 1);
    EXPECT_EQ(ParseManualWords(L"1000000"), 1000000);
    EXPECT_EQ(ParseManualWords(L"0"), std::nullopt);
    EXPECT_EQ(ParseManualWords(L"1000001"), std::nullopt);
    EXPECT_EQ(ParseManualWords(L"12a"), std::nullopt);
    EXPECT_EQ(ParseManualWords(L"-5"), std::nullopt);
    EXPECT_EQ(ParseManualWords(L""), std::nullopt);
    EXPECT_EQ(ParseManualWords(L"99999999999999999999"), std::nullopt);
}

TEST(GrowthRecord, TextAtTheLevelBoundaries) {
    EXPECT_EQ(GrowthRecordText(0, 0, 1, false),
              L"今日输入活跃值：0\n本周累计：0\n当前等级：新手村勇者\n已解锁形象：原版 + 等级 1～1"
              L"\n距离下一等级还差 500 点活跃值\n自动统计未开启，可在设置中心启用。");
    EXPECT_EQ(GrowthRecordText(499, 499, 1, true),
              L"今日输入活跃值：499\n本周累计：499\n当前等级：新手村勇者\n已解锁形象：原版 + 等级 1～1"
              L"\n距离下一等级还差 1 点活跃值\n自动统计已开启：只计次数，不记录文字内容。");
    EXPECT_EQ(GrowthRecordText(20, 500, 2, true),
              L"今日输入活跃值：20\n本周累计：500\n当前等级：见习魔法师\n已解锁形象：原版 + 等级 1～2"
              L"\n距离下一等级还差 500 点活跃值\n自动统计已开启：只计次数，不记录文字内容。");
    EXPECT_EQ(GrowthRecordText(1000, 1000, 3, false),
              L"今日输入活跃值：1000\n本周累计：1000\n当前等级：咕噜兽大法师\n已解锁形象：原版 + 等级 1～3"
              L"\n当前已达到暂定最高等级。\n自动统计未开启，可在设置中心启用。");
}

}  // namespace
