// Friends chosen through the menus with the real service: a friend removed through the menu and
// its box leaves both pets' menus, and a stranger's claim of a pet's code is announced above it.
#include "text/wide_text.h"
#include "online_test_support.h"
#include "pet_user.h"
#include "support/window_script.h"
#include "visits/visit_actions.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

// Opens the pet's menu and picks "删除好友…" in the first friend's submenu.
bool ChooseRemovalOfFirstFriend(const PetApp& app) {
    // Down so many times from where the menu starts, then the key.
    const auto keys = [](int downs, WORD then) {
        return [=](HWND menu) {
            for (int i = 0; i < downs; ++i)
                PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(menu, WM_KEYDOWN, then, 0);
        };
    };
    // The online submenu, its friends submenu, the first friend's, and past its actions (the
    // separator is skipped).
    return WorkContextMenu(app, {{kMenuClass, keys(9, VK_RIGHT)},
                                 {kMenuClass, keys(5, VK_RIGHT), 2},
                                 {kMenuClass, keys(0, VK_RIGHT), 3},
                                 {kMenuClass, keys(kVisitActionCount, VK_RETURN), 4}});
}

TEST(FriendsThroughMenus, ARemovedFriendLeavesBothMenusAndANewFriendIsAnnounced) {
    ClearSettingsKey();
    StartedPet owner;
    StartedPet other;
    ASSERT_TRUE(BecomeFriends(owner, L"小主", other, L"小友"));
    EXPECT_TRUE(PumpUntil([&] { return owner.app.reaction().text() == L"新好友：小友"; }))
        << "the code's owner sees who joined";

    // Asked first: a cancel keeps the friend; OK ends the friendship on both pets.
    other.notices.answer = IDCANCEL;
    ASSERT_TRUE(ChooseRemovalOfFirstFriend(other.app));
    const RecordingNotices::Notice question = LastNotice(other);
    EXPECT_EQ(question.caption, L"删除好友");
    EXPECT_EQ(question.text, L"确定删除好友「小主」吗？对方的好友列表里也将不再有你。");
    EXPECT_EQ(question.flags & MB_TYPEMASK, static_cast<UINT>(MB_OKCANCEL));
    PumpFor(500);
    EXPECT_EQ(other.app.MenuState().friends.size(), 1u);
    other.notices.answer = IDOK;
    ASSERT_TRUE(ChooseRemovalOfFirstFriend(other.app));
    EXPECT_TRUE(PumpUntil([&] {
        return owner.app.MenuState().friends.empty() && other.app.MenuState().friends.empty();
    })) << "a removed friend stays in a menu";

    // A device the owner never met claims the owner's code: the owner's pet says who joined.
    ChooseOnlineCommand(owner.app, 2);
    std::wsmatch code;
    const std::wstring box = LastNotice(owner).text;
    ASSERT_TRUE(std::regex_search(box, code, std::wregex(L"\n\n([0-9]{6})\n\n")));
    OnlineClient stranger;
    std::wstring error;
    ASSERT_TRUE(stranger.Register(L"不速之客", &error)) << WideToUtf8(error);
    ASSERT_TRUE(stranger.ClaimPairCode(code[1].str(), &error)) << WideToUtf8(error);
    EXPECT_TRUE(PumpUntil([&] { return owner.app.reaction().text() == L"新好友：不速之客"; }));
    EXPECT_EQ(owner.app.reaction().endTick(), owner.clock.Now() + 3600);
    EXPECT_EQ(owner.app.MenuState().friends.size(), 1u);
}

}  // namespace
