// The live session's messages as the client reads them: every type turned into its event, the
// messages it must drop, the joining of parts with its size cap, and service texts bounded.
#include "online/display_text.h"
#include "online/session_message.h"
#include "online/session_message_assembler.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace {

template <typename Event>
Event Read(const std::string& text) {
    const SessionMessage message = ReadSessionMessage(text);
    const Event* event = std::get_if<Event>(&message);
    if (!event) {
        ADD_FAILURE() << "wrong kind " << message.index() << " for " << text;
        return {};
    }
    return *event;
}

TEST(SessionMessage, EachTypeBecomesItsEventWithItsFieldRules) {
    const auto connected = Read<ConnectedMessage>(R"({"type":"connected","device":{"id":"me"},
        "friends":[{"id":"b","nickname":"小B","online":true,"appearance":2},{"id":"c","nickname":""}],
        "announcement":{"id":"2027-01","title":"新版本","message":"更好玩","latest_version":"6.1",
                        "download_url":"https://example.invalid/d","extra":1}})");
    ASSERT_EQ(connected.friends.size(), 1u);
    EXPECT_EQ(connected.friends[0].nickname, L"小B");
    EXPECT_TRUE(connected.friends[0].online);
    ASSERT_TRUE(connected.announcement.has_value());
    EXPECT_EQ(connected.announcement->id, L"2027-01");
    EXPECT_EQ(connected.announcement->title, L"新版本");
    EXPECT_EQ(connected.announcement->message, L"更好玩");
    EXPECT_EQ(connected.announcement->latestVersion, L"6.1");
    EXPECT_EQ(connected.announcement->downloadUrl, L"https://example.invalid/d");

    // Nothing but the type: an empty list still arrives; an announcement needs its id.
    const auto bare = Read<ConnectedMessage>(R"({"type":"connected"})");
    EXPECT_TRUE(bare.friends.empty());
    EXPECT_FALSE(bare.announcement.has_value());
    EXPECT_FALSE(Read<ConnectedMessage>(R"({"type":"connected","announcement":{"title":"t"}})").announcement);
    EXPECT_FALSE(Read<ConnectedMessage>(R"({"type":"connected","announcement":"2027-01"})").announcement);

    for (const char* type : {"friend_added", "friend_updated", "friend_removed", "presence"}) {
        Read<FriendsChangedMessage>(std::string(R"({"friend":"ignored","type":")") + type + "\"}");
    }

    const auto visit = Read<IncomingVisit>(
        R"({"type":"action","from":{"id":"b","nickname":"小B","appearance":2.7},"action":"drink","action_v2":"eat","text":"吃了吗"})");
    EXPECT_EQ(visit.fromId, L"b");
    EXPECT_EQ(visit.fromNickname, L"小B");
    EXPECT_EQ(visit.action, L"eat");
    EXPECT_EQ(visit.text, L"吃了吗");
    EXPECT_EQ(visit.appearance, 2);
    const auto legacy = Read<IncomingVisit>(R"({"type":"action","from":{"id":"x","nickname":"n"},"action":"greet","action_v2":""})");
    EXPECT_EQ(legacy.action, L"greet");
    EXPECT_EQ(legacy.text, L"");
    EXPECT_EQ(legacy.appearance, 0);
    EXPECT_EQ(Read<IncomingVisit>(R"({"type":"action","from":{"nickname":"n"},"action_v2":7})").action, L"");

    const auto reaction = Read<IncomingReaction>(R"({"type":"reaction","from":{"id":"b","nickname":"小B"},"reaction":"like"})");
    EXPECT_EQ(reaction.fromId, L"b");
    EXPECT_EQ(reaction.fromNickname, L"小B");
    EXPECT_EQ(reaction.reaction, L"like");

    EXPECT_EQ(Read<ServerErrorMessage>(R"({"type":"error","message":"发送太频繁，请稍后再试。"})").text,
              L"发送太频繁，请稍后再试。");
}

TEST(SessionMessage, WhatLacksItsTypeOrItsRequiredMembersIsDropped) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const std::string dropped[] = {
        "",
        "not json",
        R"({"type":"connected")",
        R"(["type","connected"])",
        R"({"type":"heartbeat"})",
        R"({"type":"Connected"})",
        R"({"type":7})",
        R"({"friends":[]})",
        R"({"type":"action","from":{"id":"x"},"action":"greet"})",
        R"({"type":"action","from":"x","nickname":"n","action":"greet"})",
        R"({"type":"action","nickname":"n"})",
        R"({"type":"reaction","from":{"id":"x","nickname":""},"reaction":"like"})",
        R"({"type":"reaction","from":[{"nickname":"n"}],"reaction":"like"})",
        R"({"type":"error","message":""})",
        R"({"type":"error","message":5})",
        "{\"type\":\"error\",\"message\":\"\xE4\"}",
        R"({"type":"error","message":"x","deep":)" + deep + "}",
    };
    for (const std::string& text : dropped) {
        EXPECT_TRUE(std::holds_alternative<std::monostate>(ReadSessionMessage(text))) << text.substr(0, 80);
    }
}

TEST(SessionMessageAssembler, JoinsPartsAndDropsAnOversizedMessageWholeUpToItsLastPart) {
    SessionMessageAssembler assembler;
    EXPECT_FALSE(assembler.Add(R"({"type":)", false));
    EXPECT_FALSE(assembler.Add(R"("presence")", false));
    EXPECT_EQ(assembler.Add("}", true), R"({"type":"presence"})");
    EXPECT_EQ(assembler.Add("", true), "");

    // Exactly at the cap is still a message.
    const std::string half(kMaxSessionMessageBytes / 2, 'a');
    EXPECT_FALSE(assembler.Add(half, false));
    EXPECT_EQ(assembler.Add(half, true)->size(), kMaxSessionMessageBytes);

    // One byte more, and every part up to the last is discarded; the next message is whole.
    EXPECT_FALSE(assembler.Add(half, false));
    EXPECT_FALSE(assembler.Add(half + "b", false));
    EXPECT_FALSE(assembler.Add(R"({"type":"presence"})", false));
    EXPECT_FALSE(assembler.Add("tail", true));
    EXPECT_EQ(assembler.Add("next", true), "next");
    EXPECT_FALSE(assembler.Add(std::string(kMaxSessionMessageBytes + 1, 'c'), true));
    EXPECT_EQ(assembler.Add("after", true), "after");
}

TEST(LimitForDisplay, CutsLongTextsWithAnEllipsisWithoutSplittingAPair) {
    EXPECT_EQ(LimitForDisplay(L"短"), L"短");
    const std::wstring exact(kMaxDisplayedServiceText, L'x');
    EXPECT_EQ(LimitForDisplay(exact), exact);
    EXPECT_EQ(LimitForDisplay(exact + L"yz"), exact + L"…");
    // A pair of UTF-16 units straddling the cut is left out whole.
    std::wstring straddling(kMaxDisplayedServiceText - 1, L'x');
    straddling += static_cast<wchar_t>(0xD83D);
    straddling += static_cast<wchar_t>(0xDE00);
    EXPECT_EQ(LimitForDisplay(straddling), std::wstring(kMaxDisplayedServiceText - 1, L'x') + L"…");
    const auto error = std::get<ServerErrorMessage>(
        ReadSessionMessage("{\"type\":\"error\",\"message\":\"" + std::string(3000, 'e') + "\"}"));
    EXPECT_EQ(error.text, std::wstring(kMaxDisplayedServiceText, L'e') + L"…");
}

}  // namespace
