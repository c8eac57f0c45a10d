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
    EXPECT_TRUE(std::holds_alternative<Event>(message)) << "kind " << message.index() << " for " << text;
    return std::holds_alternative<Event>(message) ? std::get<Event>(message) : Event{};
}

TEST(SessionMessage, EachTypeBecomesItsEventWithItsFieldRules) {
    const auto connected = Read<ConnectedMessage>(R"({"type":"connected","device":{"id":"me"},
        "friends":[{"id":"b","nickname":"小B","online":true,"appearance":2},{"id":"c","nickname":""}],
        "announcement":{"id":"2027-01","title":"新版本","message":"更好玩","latest_version":"6.1","download_url":"u"}})");
    EXPECT_EQ(connected.friends, (std::vector<OnlineFriend>{{L"b", L"小B", true, 2}}));
    EXPECT_EQ(connected.announcement, (UpdateAnnouncement{L"2027-01", L"新版本", L"更好玩", L"6.1", L"u"}));
    // The type alone still gives an (empty) list; an announcement needs an object with an id.
    EXPECT_EQ(Read<ConnectedMessage>(R"({"type":"connected"})").friends.size(), 0u);
    EXPECT_FALSE(Read<ConnectedMessage>(R"({"type":"connected","announcement":{"title":"t"}})").announcement);
    EXPECT_FALSE(Read<ConnectedMessage>(R"({"type":"connected","announcement":"2027-01"})").announcement);

    for (const char* type : {"friend_added", "friend_updated", "friend_removed", "presence"}) {
        const auto changed = Read<FriendsChangedMessage>(std::string(R"({"friend":"ignored","type":")") + type + "\"}");
        EXPECT_EQ(changed.friendAdded, std::string(type) == "friend_added") << "only a new friend is worth a look";
    }
    EXPECT_EQ(Read<IncomingVisit>(R"({"type":"action","from":{"id":"b","nickname":"小B","appearance":2.7},
                                     "action":"drink","action_v2":"eat","text":"吃了吗"})"),
              (IncomingVisit{L"b", L"小B", L"eat", L"吃了吗", 2}));
    EXPECT_EQ(Read<IncomingVisit>(R"({"type":"action","from":{"nickname":"n"},"action":"greet","action_v2":""})"),
              (IncomingVisit{L"", L"n", L"greet", L"", 0}));
    EXPECT_EQ(Read<IncomingReaction>(R"({"type":"reaction","from":{"id":"b","nickname":"小B"},"reaction":"like"})"),
              (IncomingReaction{L"b", L"小B", L"like"}));
    EXPECT_EQ(Read<ServerErrorMessage>(R"({"type":"error","message":"发送太频繁。"})").text, L"发送太频繁。");
    // A service text of any length is cut for its message box, never inside a surrogate pair.
    EXPECT_EQ(Read<ServerErrorMessage>("{\"type\":\"error\",\"message\":\"" + std::string(3000, 'e') + "\"}").text,
              std::wstring(kMaxDisplayedServiceText, L'e') + L"…");
    std::wstring straddling(kMaxDisplayedServiceText - 1, L'x');
    straddling += {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    EXPECT_EQ(LimitForDisplay(straddling), std::wstring(kMaxDisplayedServiceText - 1, L'x') + L"…");
}

TEST(SessionMessage, WhatLacksItsTypeOrItsRequiredMembersIsDropped) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    for (const std::string& text :
         {std::string("not json"), std::string(R"({"type":"connected")"), std::string(R"(["type","connected"])"),
          std::string(R"({"type":"heartbeat"})"), std::string(R"({"type":7})"), std::string(R"({"friends":[]})"),
          std::string(R"({"type":"action","from":{"id":"x"},"action":"greet"})"),
          std::string(R"({"type":"action","from":"x","nickname":"n"})"),
          std::string(R"({"type":"reaction","from":[{"nickname":"n"}],"reaction":"like"})"),
          std::string(R"({"type":"error","message":""})"), std::string("{\"type\":\"error\",\"message\":\"\xE4\"}"),
          R"({"type":"error","message":"x","deep":)" + deep + "}"}) {
        EXPECT_TRUE(std::holds_alternative<std::monostate>(ReadSessionMessage(text))) << text.substr(0, 80);
    }
}

TEST(SessionMessageAssembler, JoinsPartsAndDropsAnOversizedMessageWholeUpToItsLastPart) {
    SessionMessageAssembler assembler;
    EXPECT_FALSE(assembler.Add(R"({"type":)", false));
    EXPECT_EQ(assembler.Add(R"("presence"})", true), R"({"type":"presence"})");
    // Exactly at the cap is still a message; one byte more, and every part up to the last one
    // is discarded, while the next message is whole again.
    const std::string half(kMaxSessionMessageBytes / 2, 'a');
    EXPECT_FALSE(assembler.Add(half, false));
    EXPECT_EQ(assembler.Add(half, true)->size(), kMaxSessionMessageBytes);
    EXPECT_FALSE(assembler.Add(half, false));
    EXPECT_FALSE(assembler.Add(half + "b", false));
    EXPECT_FALSE(assembler.Add("{}", false));
    EXPECT_FALSE(assembler.Add("tail", true));
    EXPECT_EQ(assembler.Add("next", true), "next");
}

}  // namespace
