// What a broken or hostile service can send, read as the client reads it: every field cut or
// refused at its bound, and the pet's own calls and the service's texts kept from piling up.
#include "online/background_requests.h"
#include "online/display_text.h"
#include "online/online_friend.h"
#include "online/service_bounds.h"
#include "online/session_message.h"
#include "text/json.h"
#include "ui/notice_slot.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace {

std::string Repeat(const std::string& text, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

TEST(ServiceBounds, EveryFieldIsCutOrRefusedWhereItIsRead) {
    const std::string huge(1 << 20, 'n');
    const SessionMessage visitMessage =
        ReadSessionMessage(R"({"type":"action","from":{"id":"b","nickname":")" + huge + R"("},"action":")" + huge +
                           R"(","text":")" + Repeat("字", 500) + R"("})");
    ASSERT_TRUE(std::holds_alternative<IncomingVisit>(visitMessage));
    const auto& visit = std::get<IncomingVisit>(visitMessage);
    EXPECT_EQ(visit.fromNickname, std::wstring(kMaxNicknameCharacters - 1, L'n') + L"…");
    EXPECT_EQ(visit.text.size(), kMaxNoteCharacters);
    EXPECT_LE(visit.action.size(), kMaxWordChars);

    // An id is never cut: a visit whose sender cannot be named whole is not shown at all.
    const std::string longId(kMaxDeviceIdChars + 1, 'i');
    EXPECT_TRUE(std::holds_alternative<std::monostate>(
        ReadSessionMessage(R"({"type":"action","from":{"id":")" + longId + R"(","nickname":"n"},"action":"greet"})")));

    // An announcement keeps bounded texts, and a download address only when it is whole.
    const auto announced = std::get<ConnectedMessage>(ReadSessionMessage(
        R"({"type":"connected","announcement":{"id":"a","title":")" + huge + R"(","message":")" + huge +
        R"(","latest_version":")" + huge + R"(","download_url":"https://x/)" + huge + R"("}})"));
    ASSERT_TRUE(announced.announcement);
    EXPECT_EQ(announced.announcement->title.size(), kMaxAnnouncementTitleChars);
    EXPECT_EQ(announced.announcement->message.size(), kMaxDisplayedServiceText + 1);
    EXPECT_EQ(announced.announcement->latestVersion.size(), kMaxVersionChars);
    EXPECT_TRUE(announced.announcement->downloadUrl.empty());

    // Five thousand friends with long nicknames: the first 500 usable ones, names cut for the menu.
    std::string list = "[";
    for (int i = 0; i < 5000; ++i) {
        if (i) list += ',';
        list += R"({"id":"f)" + std::to_string(i) + R"(","nickname":")" + std::string(60, 'x') + R"(","online":true})";
    }
    JsonValue root;
    ASSERT_TRUE(ParseJson(list + "]", root));
    const std::vector<OnlineFriend> friends = ParseFriendList(&root);
    ASSERT_EQ(friends.size(), kMaxFriends);
    EXPECT_EQ(friends.back().id, L"f499");
    for (const OnlineFriend& buddy : friends)
        ASSERT_EQ(buddy.nickname.size(), kMaxNicknameCharacters);
}

TEST(NoticeSlot, OneBoxAtATimeShowingTheLatestTextOnceItCloses) {
    NoticeSlot slot;
    EXPECT_TRUE(slot.Offer(L"一"));
    // Eleven more arrive while the first box is up: none opens a box, the latest waits.
    for (int i = 2; i <= 12; ++i)
        EXPECT_FALSE(slot.Offer(i % 2 ? L"单" : L"双"));
    EXPECT_EQ(slot.Closed(), L"双");
    // A repeat of what is on screen is dropped, and the slot is free again.
    EXPECT_FALSE(slot.Offer(L"双"));
    EXPECT_EQ(slot.Closed(), std::nullopt);
    EXPECT_TRUE(slot.Offer(L"三"));
    EXPECT_EQ(slot.Closed(), std::nullopt);
}

TEST(BackgroundRequests, ManyChangesWaitAsOneCallOfEachKind) {
    BackgroundRequests requests;
    for (int i = 0; i < 40; ++i)
        requests.RefreshFriends();
    requests.PublishAppearance(1);
    requests.PublishAppearance(3);
    auto first = requests.Next();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->kind, BackgroundRequests::Job::Kind::Appearance);
    EXPECT_EQ(first->appearance, 3);
    auto second = requests.Next();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->kind, BackgroundRequests::Job::Kind::FriendList);
    // Closed with a change waiting: the worker is told to end rather than handed more.
    requests.RefreshFriends();
    requests.Close();
    EXPECT_EQ(requests.Next(), std::nullopt);
}

}  // namespace
