// Visits without a window: sending (cooldown, action pick, wire messages), the card's queue, and
// the action an incoming id stands for.
#include "visits/visit_actions.h"
#include "visits/visit_log.h"
#include "visits/visit_messages.h"
#include "visits/visit_queue.h"

#include <gtest/gtest.h>

#include <set>

namespace {

IncomingVisit Visit(std::wstring nickname, std::wstring action = L"greet", std::wstring note = L"",
                    int appearance = 0) {
    return IncomingVisit{L"id-" + nickname, nickname, std::move(action), std::move(note), appearance};
}

TEST(VisitSending, CooldownPerFriendAndAnActionThatNeverRepeats) {
    VisitLog log(7);
    EXPECT_FALSE(log.SecondsToWait(L"a", 1000));
    log.Sent(L"a", 4, 1000);
    EXPECT_EQ(log.SecondsToWait(L"a", 11000), 20u);
    EXPECT_EQ(log.SecondsToWait(L"a", 30500), 1u);
    EXPECT_FALSE(log.SecondsToWait(L"a", 31000)) << "from 30 s on the visit goes";
    EXPECT_FALSE(log.SecondsToWait(L"b", 1001)) << "cooldowns are per friend";

    std::set<int> seen;
    for (int round = 0; round < 400; ++round) {
        const int last = round % 9;
        log.Sent(L"a", last, 0);
        const int picked = log.PickAction(L"a");
        ASSERT_NE(picked, last);
        ASSERT_GE(picked, 0);
        ASSERT_LE(picked, 8);
        seen.insert(picked);
    }
    EXPECT_EQ(seen.size(), 9u);
}

TEST(VisitSending, WireMessagesByteForByte) {
    EXPECT_EQ(VisitMessage(L"F1", 6, L""), R"({"type":"action","to":"F1","action":"greet","action_v2":"wealth"})");
    EXPECT_EQ(VisitMessage(L"F1", 0, L""), R"({"type":"action","to":"F1","action":"greet"})");
    EXPECT_EQ(VisitMessage(L"F\"2", 7, L"说\"好\"\n吧"),
              "{\"type\":\"action\",\"to\":\"F\\\"2\",\"action\":\"drink\",\"action_v2\":\"eat\","
              "\"text\":\"\xE8\xAF\xB4\\\"\xE5\xA5\xBD\\\"\\n\xE5\x90\xA7\"}");
    EXPECT_EQ(VisitMessage(L"F1", 9, L""), "");
    EXPECT_EQ(ReactionMessage(L"F1", L"like"), R"({"type":"reaction","to":"F1","reaction":"like"})");
}

TEST(VisitCardState, TwoWaitTheRestAreLostAndTheCountdownRoundsUp) {
    VisitQueue queue;
    EXPECT_EQ(queue.Arrive(Visit(L"a", L"x", L"", 9), 1000), VisitQueue::Arrival::Shown);
    EXPECT_EQ(queue.current().appearance, 3);
    EXPECT_EQ(queue.Arrive(Visit(L"b", L"x", L"", -1), 1100), VisitQueue::Arrival::Waiting);
    EXPECT_EQ(queue.Arrive(Visit(L"c"), 1200), VisitQueue::Arrival::Waiting);
    EXPECT_EQ(queue.Arrive(Visit(L"d"), 1300), VisitQueue::Arrival::Dropped);
    EXPECT_EQ(queue.SecondsLeft(1000), 10);
    EXPECT_EQ(queue.SecondsLeft(1001), 10);
    EXPECT_EQ(queue.SecondsLeft(10001), 1);
    EXPECT_FALSE(queue.Over(10999));
    EXPECT_TRUE(queue.Over(11000));
    queue.Responded(queue.serial());

    std::optional<IncomingVisit> next = queue.End();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->fromNickname, L"b");
    EXPECT_EQ(queue.Arrive(*next, 12000), VisitQueue::Arrival::Shown);
    EXPECT_EQ(queue.current().appearance, 0);
    EXPECT_FALSE(queue.responded()) << "a new card may be answered again";
    EXPECT_EQ(queue.End()->fromNickname, L"c");
}

TEST(VisitActions, UnknownOrMiscasedIdsGreet) {
    EXPECT_EQ(std::wstring(VisitActionForId(L"drink").label), L"干杯");
    EXPECT_EQ(VisitActionForId(L"drink").picture, 128);
    EXPECT_EQ(std::wstring(VisitActionForId(L"Drink").label), L"来打招呼");
    EXPECT_EQ(VisitActionForId(L"dance").picture, 123);
}

}  // namespace
