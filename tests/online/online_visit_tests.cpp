// Two pets that became friends through the real service visit each other: the visit crosses the
// relay and shows on the friend's card, the like comes back, the cooldown refuses an early
// second visit, quick visits queue on the card, and Escape ends a card early. A friend removed
// through the menu leaves both pets' menus, and a stranger's claim of a code is announced.
#include "core/setting_names.h"
#include "online/wide_text.h"
#include "online_test_support.h"
#include "pet_user.h"
#include "support/window_script.h"
#include "ui/prompt_window.h"
#include "ui/visit_actions.h"

#include <gtest/gtest.h>

#include <regex>
#include <utility>

namespace {

const auto kPressOk = [](HWND prompt) { PostMessageW(GetDlgItem(prompt, IDOK), BM_CLICK, 0, 0); };

// A prompt the user fills in and confirms.
UserStep Answer(std::wstring text) {
    return {kPromptWindowClass, [text = std::move(text)](HWND prompt) {
                SendMessageW(GetDlgItem(prompt, kPromptEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
                kPressOk(prompt);
            }};
}

// The n-th item (from 1) of a menu that just opened with nothing selected, chosen with the keyboard.
UserStep MenuItem(int n) {
    return {kMenuClass, [n](HWND menu) {
                for (int i = 0; i < n; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
                PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
            }};
}

void GoOnline(StartedPet& pet, const std::wstring& nickname) {
    ChooseOnlineCommand(pet.app, 0, {Answer(nickname)});
    ASSERT_TRUE(PumpUntil([&] { return pet.app.connected(); })) << WideToUtf8(nickname) << " did not connect";
}

bool HasFriendOnline(const PetApp& app, const std::wstring& nickname) {
    for (const OnlineFriend& buddy : app.friends()) {
        if (buddy.nickname == nickname && buddy.online) return true;
    }
    return false;
}

RECT Rect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

const RecordingNotices::Notice& LastNotice(const StartedPet& pet) {
    static const RecordingNotices::Notice none{};
    return pet.notices.shown.empty() ? none : pet.notices.shown.back();
}

// Pairs the pets through their menus: the owner's code from its box, typed into the claimer's prompt.
void PairThroughMenus(StartedPet& owner, StartedPet& claimer) {
    ChooseOnlineCommand(owner.app, 2);
    std::wsmatch code;
    ASSERT_TRUE(std::regex_search(LastNotice(owner).text, code, std::wregex(L"\n\n([0-9]{6})\n\n")));
    ChooseOnlineCommand(claimer.app, 3, {Answer(code[1].str())});
}

// Opens the pet's menu and picks "删除好友…" in the first friend's submenu.
bool ChooseRemovalOfFirstFriend(const PetApp& app) {
    // Down so many times from where the menu starts, then the key.
    const auto keys = [](int downs, WORD then) {
        return [=](HWND menu) {
            for (int i = 0; i < downs; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
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

void PressQuickVisitKeys() {
    SendKey(VK_CONTROL, false);
    SendKey(VK_MENU, false);
    PressKey('B');
    SendKey(VK_MENU, true);
    SendKey(VK_CONTROL, true);
}

TEST(TwoPets, VisitCrossesTheServiceLikeComesBackAndQuickVisitsQueueOnTheCard) {
    ClearSettingsKey();
    // The guest starts first, so Ctrl+Alt+B is its hot key; the host has energy to gain.
    StartedPet guest;
    StartedPet host([](MemorySettingsStore& store) {
        store.dwords[setting::kEnergy] = 60;
        store.dwords[setting::kPetSize] = 230;
    });
    GoOnline(host, L"小家");
    GoOnline(guest, L"小客");

    PairThroughMenus(host, guest);
    ASSERT_TRUE(PumpUntil([&] { return HasFriendOnline(guest.app, L"小家") && HasFriendOnline(host.app, L"小客"); }));
    const size_t guestNotices = guest.notices.shown.size();
    const RECT petRect = Rect(host.app.window());

    // "eat" travels as "drink" with the new id beside it; the quote in the note arrives as typed.
    const std::wstring note = L"别吃\"太多\"哦";
    guest.app.SendVisit(0, 7, note, false);
    EXPECT_EQ(LastNotice(guest).text, L"咕噜兽已经去找「小家」一起吃饭啦！");
    EXPECT_EQ(LastNotice(guest).caption, std::wstring(L"串门消息已发出"));
    ASSERT_TRUE(PumpUntil([&] { return host.app.visits().showing(); })) << "the visit never reached the host";
    const IncomingVisit& shown = host.app.visits().current();
    EXPECT_EQ(shown.fromId, guest.app.online().Identity().deviceId);
    EXPECT_EQ(shown.fromNickname, L"小客");
    EXPECT_EQ(shown.action, L"eat");
    EXPECT_EQ(shown.text, note);
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const RECT card = Rect(host.app.window());
    EXPECT_EQ(card.left, area.left + 14);
    EXPECT_EQ(card.top, area.top + 14);
    EXPECT_EQ(card.right - card.left, 512);
    EXPECT_EQ(card.bottom - card.top, 326);
    EXPECT_EQ(host.store.dwords[setting::kEnergy], 65u);

    // A right-click on the card answers with a like, which the guest shows above itself.
    EXPECT_TRUE(WorkContextMenu(host.app, {MenuItem(1)}));
    EXPECT_TRUE(host.app.visits().responded());
    EXPECT_TRUE(PumpUntil([&] { return guest.app.reaction().text() == L"小家 点赞了串门 ♥"; }));

    // Ten seconds later the guest still has to wait twenty.
    guest.clock.Advance(10000);
    guest.app.SendVisit(0, 0, L"", false);
    EXPECT_EQ(LastNotice(guest).text, L"刚刚才去找过「小家」，再等 20 秒吧。");
    EXPECT_EQ(LastNotice(guest).caption, std::wstring(L"咕噜兽正在喘口气"));

    // Escape ends the card before its time and gives the pet its place back.
    PostMessageW(host.app.window(), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !host.app.visits().showing(); }));
    EXPECT_EQ(Rect(host.app.window()).left, petRect.left);
    EXPECT_EQ(Rect(host.app.window()).right - Rect(host.app.window()).left, 230);

    // A line break is sent escaped: the service reads the message and refuses the note for it.
    guest.clock.Advance(20000);
    guest.app.SendVisit(0, 6, L"第一行\n第二行", true);
    EXPECT_TRUE(PumpUntil([&] { return LastNotice(guest).text == L"小纸条不能包含控制字符。"; }));
    EXPECT_FALSE(host.app.visits().showing());

    // Four quick visits in a row, by the hot key, the menu, the menu with a note and directly:
    // one shows, two wait, the fourth is lost.
    const std::vector<std::function<void()>> quickVisits{
        [&] { PressQuickVisitKeys(); },
        [&] { WorkContextMenu(guest.app, {MenuItem(4)}); },
        [&] { WorkContextMenu(guest.app, {MenuItem(5), Answer(L"海边见")}); },
        [&] { guest.app.QuickVisit(false); }};
    for (const auto& visit : quickVisits) {
        guest.clock.Advance(30000);
        const size_t arrived = host.app.visits().waiting() + (host.app.visits().showing() ? 1 : 0);
        visit();
        EXPECT_TRUE(PumpUntil([&] {
            return guest.app.reaction().text() == L"已去找 小家" && guest.app.reaction().endTick() == guest.clock.Now() + 2300;
        }));
        if (arrived < 3) {
            EXPECT_TRUE(PumpUntil([&] {
                return host.app.visits().waiting() + (host.app.visits().showing() ? 1 : 0) == arrived + 1;
            })) << "quick visit " << arrived + 1 << " did not arrive";
        }
    }
    PumpFor(1000);
    EXPECT_EQ(host.app.visits().waiting(), 2u);

    // The cards in the order they showed: action and note.
    std::vector<std::pair<std::wstring, std::wstring>> cards;
    while (host.app.visits().showing() && cards.size() < 4) {
        cards.emplace_back(host.app.visits().current().action, host.app.visits().current().text);
        const size_t waiting = host.app.visits().waiting();
        PostMessageW(host.app.window(), WM_KEYDOWN, VK_ESCAPE, 0);
        PumpUntil([&] { return !host.app.visits().showing() || host.app.visits().waiting() < waiting; });
    }
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[0].second, L"");
    EXPECT_EQ(cards[2].second, L"海边见");
    for (size_t i = 1; i < cards.size(); ++i) {
        EXPECT_NE(cards[i].first, cards[i - 1].first) << "a quick visit repeated the action before it";
    }
    EXPECT_EQ(host.store.dwords[setting::kEnergy], 80u);
    EXPECT_EQ(guest.notices.shown.size(), guestNotices + 3) << "quick visits are sent quietly";
}

TEST(TwoPets, ARemovedFriendLeavesBothMenusAndANewFriendIsAnnounced) {
    ClearSettingsKey();
    StartedPet owner;
    StartedPet other;
    GoOnline(owner, L"小主");
    GoOnline(other, L"小友");
    PairThroughMenus(owner, other);
    ASSERT_TRUE(PumpUntil([&] { return HasFriendOnline(owner.app, L"小友") && HasFriendOnline(other.app, L"小主"); }));
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
