// The pet's window side of going online, against the real service over TLS on loopback: the
// user goes online through the menu and its prompt, hands out a pairing code, and a second
// device (scripted here) becomes a friend whose coming and going, reactions and the service's
// error texts reach the pet through its window.
#include "app/pet_app.h"
#include "core/setting_names.h"
#include "online/friend_order.h"
#include "text/wide_text.h"
#include "online_test_support.h"
#include "pet_user.h"
#include "support/window_script.h"
#include "ui/prompt_window.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

// The friends' lines of the menu as it would open now.
std::vector<std::pair<std::wstring, bool>> MenuFriends(const PetApp& app) {
    std::vector<std::pair<std::wstring, bool>> lines;
    for (const MenuFriend& buddy : app.MenuState().friends)
        lines.emplace_back(buddy.nickname, buddy.online);
    return lines;
}

TEST(OnlineWindow, AFreshPetGoesOnlinePairsAndHearsFromItsFriend) {
    ClearSettingsKey();
    StartedPet pet;
    PetApp& app = pet.app;

    // Going online: the prompt offers the default nickname, confirming registers and connects.
    std::wstring offered;
    ChooseOnlineCommand(app, 0, {{kPromptWindowClass, [&](HWND prompt) {
                                      offered = TextOf(GetDlgItem(prompt, kPromptEditId));
                                      PostMessageW(GetDlgItem(prompt, IDOK), BM_CLICK, 0, 0);
                                  }}});
    EXPECT_EQ(offered, L"咕噜兽");
    EXPECT_EQ(app.online().Identity().nickname, L"咕噜兽");
    EXPECT_EQ(pet.store.dwords[setting::kNetworkEnabled], 1u);
    EXPECT_TRUE(app.MenuState().networkEnabled);
    ASSERT_TRUE(PumpUntil([&] { return app.MenuState().connected; }));
    EXPECT_TRUE(MenuFriends(app).empty());
    // The service's announcement came with the connection and is not seen yet.
    EXPECT_TRUE(PumpUntil([&] { return app.MenuState().updatePending; }));

    // The pairing code in its box of three lines; a second device claims it.
    ChooseOnlineCommand(app, 2);
    ASSERT_EQ(pet.notices.shown.size(), 1u);
    const RecordingNotices::Notice codeBox = pet.notices.shown.back();
    EXPECT_EQ(codeBox.caption, L"我的好友配对码");
    EXPECT_EQ(codeBox.flags, static_cast<UINT>(MB_ICONINFORMATION));
    std::wsmatch code;
    ASSERT_TRUE(std::regex_match(codeBox.text, code,
                                 std::wregex(L"把这个 6 位配对码告诉要添加的好友：\n\n([0-9]{6})\n\n"
                                             L"10 分钟内有效。好友只需添加一次，以后会一直保存在列表里。")))
        << WideToUtf8(codeBox.text);
    OnlineClient buddy;
    std::wstring error;
    ASSERT_TRUE(buddy.Register(L"小伙伴", &error)) << WideToUtf8(error);
    ASSERT_TRUE(buddy.ClaimPairCode(code[1].str(), &error)) << WideToUtf8(error);
    const auto listed = [&](bool online) {
        return PumpUntil([&] { return MenuFriends(app) == decltype(MenuFriends(app)){{L"小伙伴", online}}; });
    };
    EXPECT_TRUE(listed(false));

    // The friend coming online and going away again.
    buddy.Start();
    EXPECT_TRUE(listed(true));
    ASSERT_TRUE(PumpUntil([&] { return buddy.IsSessionConnected(); }));
    const std::wstring to = L"\",\"to\":\"" + app.online().Identity().deviceId;
    ASSERT_EQ(buddy.SendSessionMessage(WideToUtf8(L"{\"type\":\"reaction" + to + L"\",\"reaction\":\"like\"}")).outcome,
              SessionSendResult::Outcome::Sent);
    EXPECT_TRUE(PumpUntil([&] { return app.reaction().text() == L"小伙伴 点赞了串门 ♥"; }));
    EXPECT_EQ(app.reaction().endTick(), pet.clock.Now() + 3600);
    buddy.SendSessionMessage(WideToUtf8(L"{\"type\":\"reaction" + to + L"\",\"reaction\":\"dislike\"}"));
    EXPECT_TRUE(PumpUntil([&] { return app.reaction().text() == L"小伙伴 踩了一下串门"; }));
    buddy.Stop();
    EXPECT_TRUE(listed(false));

    // The service's refusal of a visit to the friend who left is told once, not again.
    const std::string visit =
        WideToUtf8(L"{\"type\":\"action\",\"to\":\"" + buddy.Identity().deviceId + L"\",\"action\":\"greet\"}");
    for (int attempt = 0; attempt < 2; ++attempt) {
        ASSERT_EQ(app.online().SendSessionMessage(visit).outcome, SessionSendResult::Outcome::Sent);
        PumpFor(1500);
    }
    ASSERT_EQ(pet.notices.shown.size(), 2u);
    EXPECT_EQ(pet.notices.shown.back().caption, L"咕噜兽联机");
    EXPECT_EQ(pet.notices.shown.back().text, L"好友现在不在线，这次串门不会保存，也不会稍后补发。");

    // Switching off keeps the friends; closing the pet ends its session.
    ChooseOnlineCommand(app, 0);
    EXPECT_FALSE(app.MenuState().networkEnabled);
    EXPECT_FALSE(app.MenuState().connected);
    EXPECT_EQ(pet.store.dwords[setting::kNetworkEnabled], 0u);
    EXPECT_EQ(MenuFriends(app).size(), 1u);
    ChooseOnlineCommand(app, 0);
    EXPECT_EQ(pet.notices.shown.size(), 2u) << "an identity is kept: no prompt, no box";
    ASSERT_TRUE(PumpUntil([&] { return app.online().IsSessionConnected(); }));
    DestroyWindow(app.window());
    EXPECT_FALSE(app.online().IsSessionConnected());
}

TEST(OnlineWindow, CommandsWithoutAnIdentityAskToGoOnlineFirst) {
    ClearSettingsKey();
    StartedPet pet;
    pet.app.ChangeNickname();
    pet.app.CreatePairingCode();
    pet.app.ClaimPairingCode();
    pet.app.RefreshFriends();
    ASSERT_EQ(pet.notices.shown.size(), 3u);
    for (const auto& notice : pet.notices.shown) {
        EXPECT_EQ(notice.text, L"请先启用联机。");
        EXPECT_EQ(notice.caption, L"咕噜兽联机");
    }
}

TEST(FriendOrder, OnlineFirstThenNicknamesIgnoringCaseInTheServicesOrder) {
    std::vector<OnlineFriend> friends{
        {L"1", L"b", false}, {L"2", L"A", true}, {L"3", L"a", true}, {L"4", L"B", true}, {L"5", L"a", false}};
    SortFriends(friends);
    std::wstring ids;
    for (const auto& buddy : friends)
        ids += buddy.id;
    EXPECT_EQ(ids, L"23451");
}

}  // namespace
