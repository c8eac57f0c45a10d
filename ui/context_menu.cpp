#include "ui/context_menu.h"

#include "motion/pose.h"
#include "ui/menu_commands.h"
#include "visits/visit_actions.h"

#include <iterator>

std::wstring MenuText(const std::wstring& text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (wchar_t c : text) {
        escaped += c;
        if (c == L'&') escaped += L'&';
    }
    return escaped;
}

namespace {

void AddItem(HMENU menu, int id, const std::wstring& text, UINT flags = 0) {
    AppendMenuW(menu, MF_STRING | flags, static_cast<UINT_PTR>(id), text.c_str());
}

void AddSubmenu(HMENU menu, HMENU submenu, const std::wstring& text) {
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), text.c_str());
}

UINT CheckedIf(bool condition) { return condition ? MF_CHECKED : 0; }

HMENU AppearanceMenu(const ContextMenuState& state) {
    HMENU menu = CreatePopupMenu();
    AddItem(menu, CMD_APPEARANCE_FIRST, AppearanceName(0), CheckedIf(state.selectedAppearance == 0));
    for (int level = 1; level <= 3; ++level) {
        const bool locked = level > state.maxUnlockedAppearance;
        std::wstring text = L"等级 " + std::to_wstring(level) + L" · " + AppearanceName(level);
        if (locked) text += L"（未解锁）";
        AddItem(menu, CMD_APPEARANCE_FIRST + level, text,
                (locked ? MF_GRAYED : 0) | CheckedIf(state.selectedAppearance == level));
    }
    return menu;
}

HMENU PoseMenu() {
    HMENU menu = CreatePopupMenu();
    const wchar_t* names[] = {L"恢复当前形象", L"无语", L"乞讨", L"飞天开心", L"喝水碰杯", L"摆烂一下", L"熬夜状态"};
    for (int i = 0; i < 7; ++i)
        AddItem(menu, CMD_POSE_FIRST + i, names[i]);
    return menu;
}

HMENU GrowthMenu() {
    HMENU menu = CreatePopupMenu();
    AddItem(menu, CMD_GROWTH_RECORD, L"查看今日与本周进度");
    AddItem(menu, CMD_ADD_WORDS, L"手动补充活跃值…");
    return menu;
}

HMENU FriendsMenu(const ContextMenuState& state) {
    HMENU menu = CreatePopupMenu();
    if (state.friends.empty()) {
        AddItem(menu, 0, L"还没有好友（只需添加一次）", MF_GRAYED);
        return menu;
    }
    for (size_t index = 0; index < state.friends.size(); ++index) {
        const MenuFriend& buddy = state.friends[index];
        HMENU actions = CreatePopupMenu();
        const int base = CMD_FRIEND_VISIT_FIRST + kFriendVisitStride * static_cast<int>(index);
        for (int action = 0; action < kVisitActionCount; ++action) {
            AddItem(actions, base + action, VisitActionLabel(action));
        }
        AppendMenuW(actions, MF_SEPARATOR, 0, nullptr);
        AddItem(actions, base + kRemoveFriendItem, L"删除好友…");
        AddSubmenu(menu, actions, MenuText(buddy.nickname) + (buddy.online ? L"（在线）" : L"（离线）"));
    }
    return menu;
}

HMENU OnlineMenu(const ContextMenuState& state) {
    HMENU menu = CreatePopupMenu();
    AddItem(menu, CMD_TOGGLE_ONLINE, state.networkEnabled ? L"停用联机" : L"启用联机", CheckedIf(state.networkEnabled));
    AddItem(menu, CMD_CHANGE_NICKNAME, L"修改我的昵称…");
    AddItem(menu, CMD_CREATE_PAIR_CODE, L"生成我的配对码");
    AddItem(menu, CMD_CLAIM_PAIR_CODE, L"用配对码添加好友…");
    AddItem(menu, CMD_REFRESH_FRIENDS, L"刷新好友列表");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AddSubmenu(menu, FriendsMenu(state), L"指定好友与动作");
    return menu;
}

HMENU MovementMenu(const ContextMenuState& state) {
    HMENU menu = CreatePopupMenu();
    const wchar_t* names[] = {L"静止", L"沿边散步", L"随机乱窜（停留 3 秒）", L"散步与乱窜混合"};
    for (int mode = 0; mode < 4; ++mode) {
        AddItem(menu, CMD_MOVEMENT_FIRST + mode, names[mode], CheckedIf(state.movementMode == mode));
    }
    return menu;
}

std::wstring OnlineMenuTitle(const ContextMenuState& state) {
    std::wstring title = L"好友与高级串门";
    if (state.networkEnabled) title += state.connected ? L"（已连接）" : L"（连接中）";
    return title;
}

}  // namespace

PopupMenu BuildContextMenu(const ContextMenuState& state) {
    HMENU main = CreatePopupMenu();
    AddItem(main, CMD_PET, L"摸摸咕噜兽");
    AddItem(main, CMD_FEED, L"投喂 / 充电（+30）");
    AddItem(main, CMD_DRAGON, L"今日挑战恶龙");
    AddItem(main, CMD_QUICK_VISIT, L"快捷串门（Ctrl + Alt + B）");
    AddItem(main, CMD_DRIFT_NOTE, L"漂流小纸条…");
    AppendMenuW(main, MF_SEPARATOR, 0, nullptr);
    AddSubmenu(main, AppearanceMenu(state), L"切换已解锁形象");
    AddSubmenu(main, PoseMenu(), L"切换动作");
    AddSubmenu(main, GrowthMenu(), L"成长记录");
    AddSubmenu(main, OnlineMenu(state), OnlineMenuTitle(state));
    AddSubmenu(main, MovementMenu(state), L"移动模式");
    AddItem(main, CMD_RETURN_TO_CORNER, L"回到屏幕右下角");
    AppendMenuW(main, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(main, state.hideWhenFullScreen ? MF_CHECKED : MF_UNCHECKED, CMD_HIDE_WHEN_FULL_SCREEN,
                L"全屏时自动隐藏");
    AddItem(main, CMD_SETTINGS, L"设置中心…");
    AddItem(main, CMD_UPDATE_NOTICE, state.updatePending ? L"更新与公告 ●" : L"更新与公告");
    AddItem(main, CMD_USAGE_HELP, L"使用说明");
    AddItem(main, CMD_EXIT, L"让咕噜兽休息");
    return PopupMenu(main);
}

std::optional<PoseChoice> PoseForCommand(int command) {
    static constexpr PoseChoice kChoices[] = {
        {POSE_NORMAL, 0}, {POSE_SPEECHLESS, 0}, {POSE_BEGGING, 0},     {POSE_FLYING, 0},
        {POSE_CHEERS, 0}, {POSE_SLACKING, 10},  {POSE_LATE_NIGHT, 10},
    };
    static_assert(std::size(kChoices) == CMD_POSE_LAST - CMD_POSE_FIRST + 1);
    if (command < CMD_POSE_FIRST || command > CMD_POSE_LAST) return std::nullopt;
    return kChoices[command - CMD_POSE_FIRST];
}

std::optional<FriendMenuChoice> FriendChoiceForCommand(int command) {
    if (command < CMD_FRIEND_VISIT_FIRST) return std::nullopt;
    const int offset = command - CMD_FRIEND_VISIT_FIRST;
    return FriendMenuChoice{static_cast<size_t>(offset / kFriendVisitStride), offset % kFriendVisitStride};
}
