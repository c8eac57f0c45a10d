// The context menu as built for given states, read back item by item, and the two notices.
#include "support/offline_pet.h"
#include "ui/context_menu.h"
#include "ui/help_and_notice.h"
#include "visits/visit_actions.h"

#include <gtest/gtest.h>

namespace {

struct Item {
    int id;
    std::wstring text;
    bool checked;
    bool grayed;
    bool separator;
    HMENU submenu;
};

std::vector<Item> ReadMenu(HMENU menu) {
    std::vector<Item> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 255;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        items.push_back(Item{static_cast<int>(info.wID), text, (info.fState & MFS_CHECKED) != 0,
                             (info.fState & MFS_GRAYED) != 0, (info.fType & MFT_SEPARATOR) != 0, info.hSubMenu});
    }
    return items;
}

std::vector<std::wstring> Texts(const std::vector<Item>& items) {
    std::vector<std::wstring> texts;
    for (const Item& item : items)
        texts.push_back(item.separator ? L"---" : item.text);
    return texts;
}

TEST(ContextMenu, MainMenuOrderAndIds) {
    ContextMenuState state;
    PopupMenu menu = BuildContextMenu(state);
    const auto items = ReadMenu(menu.get());
    const std::vector<std::wstring> expected = {L"摸摸咕噜兽",
                                                L"投喂 / 充电（+30）",
                                                L"今日挑战恶龙",
                                                L"快捷串门（Ctrl + Alt + B）",
                                                L"漂流小纸条…",
                                                L"---",
                                                L"切换已解锁形象",
                                                L"切换动作",
                                                L"成长记录",
                                                L"好友与高级串门",
                                                L"移动模式",
                                                L"回到屏幕右下角",
                                                L"---",
                                                L"全屏时自动隐藏",
                                                L"设置中心…",
                                                L"更新与公告",
                                                L"使用说明",
                                                L"让咕噜兽休息"};
    EXPECT_EQ(Texts(items), expected);
    const int ids[] = {99, 100, 103, 104, 105};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(items[i].id, ids[i]);
    EXPECT_EQ(items[11].id, 204);
    EXPECT_EQ(items[13].id, 108);
    EXPECT_TRUE(items[13].checked) << "hiding over full-screen programs is on by default";
    EXPECT_EQ(items[14].id, 106);
    EXPECT_EQ(items[15].id, 107);
    EXPECT_EQ(items[16].id, 250);
    EXPECT_EQ(items[17].id, 251);
    state.hideWhenFullScreen = false;
    EXPECT_FALSE(ReadMenu(BuildContextMenu(state).get())[13].checked);
    for (int i : {6, 7, 8, 9, 10})
        EXPECT_NE(items[i].submenu, nullptr);

    const auto poses = ReadMenu(items[7].submenu);
    EXPECT_EQ(Texts(poses), (std::vector<std::wstring>{L"恢复当前形象", L"无语", L"乞讨", L"飞天开心", L"喝水碰杯",
                                                       L"摆烂一下", L"熬夜状态"}));
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(poses[i].id, 120 + i);
    const auto growth = ReadMenu(items[8].submenu);
    EXPECT_EQ(Texts(growth), (std::vector<std::wstring>{L"查看今日与本周进度", L"手动补充活跃值…"}));
    EXPECT_EQ(growth[0].id, 102);
    EXPECT_EQ(growth[1].id, 101);
}

TEST(ContextMenu, AppearancesGreyedAboveTheUnlockAndChecked) {
    ContextMenuState state;
    state.selectedAppearance = 1;
    state.maxUnlockedAppearance = 1;
    PopupMenu menu = BuildContextMenu(state);
    const auto looks = ReadMenu(ReadMenu(menu.get())[6].submenu);
    EXPECT_EQ(Texts(looks),
              (std::vector<std::wstring>{L"原版咕噜兽（始终可恢复）", L"等级 1 · 新手村勇者",
                                         L"等级 2 · 见习魔法师（未解锁）", L"等级 3 · 咕噜兽大法师（未解锁）"}));
    EXPECT_FALSE(looks[0].checked);
    EXPECT_TRUE(looks[1].checked);
    EXPECT_FALSE(looks[1].grayed);
    EXPECT_TRUE(looks[2].grayed);
    EXPECT_TRUE(looks[3].grayed);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(looks[i].id, 160 + i);

    state.selectedAppearance = 0;
    state.maxUnlockedAppearance = 3;
    PopupMenu all = BuildContextMenu(state);
    const auto unlocked = ReadMenu(ReadMenu(all.get())[6].submenu);
    EXPECT_TRUE(unlocked[0].checked);
    EXPECT_EQ(unlocked[3].text, L"等级 3 · 咕噜兽大法师");
    EXPECT_FALSE(unlocked[3].grayed);
}

TEST(ContextMenu, OnlineSubmenuFollowsTheConnection) {
    ContextMenuState state;
    PopupMenu offline = BuildContextMenu(state);
    auto main = ReadMenu(offline.get());
    EXPECT_EQ(main[9].text, L"好友与高级串门");
    auto online = ReadMenu(main[9].submenu);
    EXPECT_EQ(Texts(online),
              (std::vector<std::wstring>{L"启用联机", L"修改我的昵称…", L"生成我的配对码", L"用配对码添加好友…",
                                         L"刷新好友列表", L"---", L"指定好友与动作"}));
    EXPECT_FALSE(online[0].checked);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(online[i].id, 180 + i);
    const auto friends = ReadMenu(online[6].submenu);
    ASSERT_EQ(friends.size(), 1u);
    EXPECT_EQ(friends[0].text, L"还没有好友（只需添加一次）");
    EXPECT_EQ(friends[0].id, 0);
    EXPECT_TRUE(friends[0].grayed);

    state.networkEnabled = true;
    state.connected = true;
    PopupMenu connected = BuildContextMenu(state);
    main = ReadMenu(connected.get());
    EXPECT_EQ(main[9].text, L"好友与高级串门（已连接）");
    online = ReadMenu(main[9].submenu);
    EXPECT_EQ(online[0].text, L"停用联机");
    EXPECT_TRUE(online[0].checked);

    state.connected = false;
    PopupMenu connecting = BuildContextMenu(state);
    EXPECT_EQ(ReadMenu(connecting.get())[9].text, L"好友与高级串门（连接中）");
}

TEST(ContextMenu, FriendVisitCommandsEncodeFriendAndAction) {
    ContextMenuState state;
    state.friends = {{L"小绿", true, L"a"}, {L"阿木", false, L"b"}, {L"Mo", true, L"c"}, {L"R&D", true, L"d"}};
    PopupMenu menu = BuildContextMenu(state);
    const auto online = ReadMenu(ReadMenu(menu.get())[9].submenu);
    const auto friends = ReadMenu(online[6].submenu);
    // A nickname's '&' is shown as written, not taken as a mnemonic.
    EXPECT_EQ(Texts(friends),
              (std::vector<std::wstring>{L"小绿（在线）", L"阿木（离线）", L"Mo（在线）", L"R&&D（在线）"}));
    const auto third = ReadMenu(friends[2].submenu);
    EXPECT_EQ(Texts(third),
              (std::vector<std::wstring>{L"挥手打招呼", L"发送爱心", L"无语", L"乞讨", L"飞天开心", L"干杯",
                                         L"一起发财", L"一起吃饭", L"邪恶一下", L"---", L"删除好友…"}));
    EXPECT_EQ(third[5].id, 3037);
    EXPECT_EQ(third[10].id, 3041);
    EXPECT_EQ(FriendChoiceForCommand(3041)->friendIndex, 2u) << "the removal names the friend it was shown under";
    EXPECT_EQ(ReadMenu(friends[0].submenu)[0].id, 3000);
    EXPECT_EQ(ReadMenu(friends[1].submenu)[8].id, 3024);
}

TEST(ContextMenu, MovementChecksAndPendingUpdateMark) {
    ContextMenuState state;
    state.movementMode = 2;
    state.updatePending = true;
    PopupMenu menu = BuildContextMenu(state);
    const auto main = ReadMenu(menu.get());
    EXPECT_EQ(main[15].text, L"更新与公告 ●");
    const auto modes = ReadMenu(main[10].submenu);
    EXPECT_EQ(Texts(modes),
              (std::vector<std::wstring>{L"静止", L"沿边散步", L"随机乱窜（停留 3 秒）", L"散步与乱窜混合"}));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(modes[i].id, 200 + i);
        EXPECT_EQ(modes[i].checked, i == 2);
    }
}

TEST(Notices, UsageHelpIsTheFixedTextOf339Characters) {
    OfflinePet pet;
    PetApp& app = pet.Loaded();
    app.RunMenuCommand(250);
    ASSERT_EQ(pet.notices.shown.size(), 1u);
    const auto& help = pet.notices.shown[0];
    EXPECT_EQ(help.caption, L"咕噜兽使用说明");
    EXPECT_EQ(help.text.size(), 339u);
    EXPECT_EQ(help.text.substr(0, 13), L"咕噜兽桌宠 6.0.0\n\n");
    EXPECT_NE(help.text.find(L"• Ctrl + Alt + B 可直接选择在线好友并随机串门；漂流小纸条最多 60 字符。\n"),
              std::wstring::npos);
    EXPECT_EQ(help.text.back(), L'。');
}

TEST(Notices, LocalAnnouncementBeforeAnyArrivedIsMarkedSeen) {
    OfflinePet pet;
    PetApp& app = pet.Loaded();
    app.RunMenuCommand(107);
    ASSERT_EQ(pet.notices.shown.size(), 1u);
    const auto& notice = pet.notices.shown[0];
    EXPECT_EQ(notice.caption, L"咕噜兽更新与公告");
    EXPECT_EQ(notice.flags, static_cast<UINT>(MB_ICONINFORMATION | MB_OK));
    EXPECT_EQ(notice.text,
              L"咕噜兽 6.0 更新公告\n版本：6.0.0\n\n新增快捷串门、漂流小纸条、点赞与踩、九种串门互动、自动输入成长、"
              L"四种移动模式、开机启动和设置中心。\n\n好友、昵称、设备身份和已解锁形象均会保留。"
              L"\n\n当前没有可用的在线下载地址。");
    EXPECT_EQ(pet.store.strings[L"SeenAnnouncementId"], L"mossquill-6.0.0-local");
    EXPECT_FALSE(app.updateNotice().pending());
}

TEST(Notices, ReceivedAnnouncementKeepsItsFieldsAndOnlyWebLinksAreOffered) {
    MemorySettingsStore store;
    RecordingNotices notices;
    UpdateNotice update;
    UpdateAnnouncement received{L"a-7", L"", L"修了一些问题", L"6.0.1", L"https://example.test/dl"};
    update.Receive(received, true);
    EXPECT_TRUE(update.pending());
    notices.answer = IDNO;
    update.Show(nullptr, notices, store);
    EXPECT_EQ(notices.shown[0].text, L"\n版本：6.0.1\n\n修了一些问题\n\n是否打开新版下载页面？");
    EXPECT_EQ(notices.shown[0].flags, static_cast<UINT>(MB_ICONINFORMATION | MB_YESNO));
    EXPECT_EQ(store.strings[L"SeenAnnouncementId"], L"a-7") << "answering No still marks it seen";
    EXPECT_FALSE(update.pending());

    EXPECT_TRUE(IsWebAddress(L"HTTPS://example.test/"));
    EXPECT_TRUE(IsWebAddress(L"http://example.test"));
    EXPECT_FALSE(IsWebAddress(L"file:///C:/Windows/System32/calc.exe"));
    EXPECT_FALSE(IsWebAddress(L"C:\\Windows\\System32\\cmd.exe"));
    EXPECT_FALSE(IsWebAddress(L"https://"));
    received.downloadUrl = L"cmd.exe";
    update.Receive(received, false);
    update.Show(nullptr, notices, store);
    EXPECT_EQ(notices.shown[1].flags, static_cast<UINT>(MB_ICONINFORMATION | MB_OK));
}

}  // namespace
