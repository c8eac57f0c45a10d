// The right-click menu: built from the pet's state, and the command chosen run as an operation.
#include "app/pet_app.h"

#include "ui/context_menu.h"
#include "ui/menu_commands.h"

ContextMenuState PetApp::MenuState() const {
    ContextMenuState state;
    state.selectedAppearance = growth_.selectedAppearance();
    state.maxUnlockedAppearance = growth_.maxUnlockedAppearance();
    state.movementMode = movement_.mode();
    state.networkEnabled = networkEnabled_;
    state.connected = presence_.connected();
    state.updatePending = updateNotice_.pending();
    for (const OnlineFriend& buddy : presence_.friends()) state.friends.push_back({buddy.nickname, buddy.online});
    return state;
}

void PetApp::ShowContextMenu() {
    POINT cursor{};
    GetCursorPos(&cursor);
    // The list may be replaced while the menu is open: a friend's command names the friend shown.
    const std::vector<OnlineFriend> shown = presence_.friends();
    int command = 0;
    {
        PopupMenu menu = BuildContextMenu(MenuState());
        SetForegroundWindow(window());
        command = static_cast<int>(TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD,
                                                  cursor.x, cursor.y, 0, window(), nullptr));
    }
    if (command >= CMD_FRIEND_VISIT_FIRST) {
        const auto offset = static_cast<size_t>(command - CMD_FRIEND_VISIT_FIRST);
        const size_t index = offset / kFriendVisitStride;
        if (index < shown.size()) SendVisit(shown[index], static_cast<uint32_t>(offset % kFriendVisitStride), L"", false);
        return;
    }
    RunMenuCommand(command);
}

void PetApp::RunMenuCommand(int command) {
    if (const std::optional<PoseChoice> choice = PoseForCommand(command)) {
        ShowPose(choice->pose, choice->seconds);
        return;
    }
    if (command >= CMD_APPEARANCE_FIRST && command <= CMD_APPEARANCE_LAST) {
        SetAppearance(command - CMD_APPEARANCE_FIRST);
        return;
    }
    if (command >= CMD_MOVEMENT_FIRST && command <= CMD_MOVEMENT_LAST) {
        SetMovementMode(command - CMD_MOVEMENT_FIRST);
        return;
    }
    switch (command) {
        case CMD_PET: Pet(); break;
        case CMD_FEED: Feed(); break;
        case CMD_DRAGON: ChallengeDragon(); break;
        case CMD_GROWTH_RECORD: ShowGrowthRecord(); break;
        case CMD_ADD_WORDS: AddWordsManually(); break;
        case CMD_QUICK_VISIT: QuickVisit(false); break;
        case CMD_DRIFT_NOTE: QuickVisit(true); break;
        case CMD_RETURN_TO_CORNER: ReturnToCorner(); break;
        case CMD_TOGGLE_ONLINE: ToggleOnline(); break;
        case CMD_CHANGE_NICKNAME: ChangeNickname(); break;
        case CMD_CREATE_PAIR_CODE: CreatePairingCode(); break;
        case CMD_CLAIM_PAIR_CODE: ClaimPairingCode(); break;
        case CMD_REFRESH_FRIENDS: RefreshFriends(); break;
        case CMD_SETTINGS: ShowSettings(); break;
        case CMD_UPDATE_NOTICE: ShowUpdateNotice(); break;
        case CMD_USAGE_HELP: ShowUsageHelp(window()); break;
        case CMD_EXIT:
            if (window()) DestroyWindow(window());
            break;
        default: break;
    }
}

void PetApp::ShowUpdateNotice() { updateNotice_.Show(window(), notices_, settings_); }

void PetApp::ShowUsageHelp(HWND owner) { notices_.Show(owner, kUsageHelpText, L"咕噜兽使用说明", MB_ICONINFORMATION); }
