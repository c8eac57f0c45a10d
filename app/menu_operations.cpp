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
    state.hideWhenFullScreen = fullScreen_.enabled();
    for (const OnlineFriend& buddy : presence_.friends()) {
        state.friends.push_back({buddy.nickname, buddy.online, buddy.id});
    }
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
        command = static_cast<int>(TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD, cursor.x,
                                                  cursor.y, 0, window(), nullptr));
    }
    RunMenuCommand(command, shown);
}

void PetApp::RunMenuCommand(int command) { RunMenuCommand(command, presence_.friends()); }

void PetApp::RunMenuCommand(int command, const std::vector<OnlineFriend>& shown) {
    if (const std::optional<FriendMenuChoice> choice = FriendChoiceForCommand(command)) {
        // The list may have changed while the menu was open: the friend is the one it showed.
        if (choice->friendIndex < shown.size()) {
            const OnlineFriend& chosen = shown[choice->friendIndex];
            if (choice->item == kRemoveFriendItem)
                RemoveFriend(chosen.id);
            else
                SendVisit(chosen, static_cast<uint32_t>(choice->item), L"", false);
        }
        return;
    }
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
    case CMD_PET:
        Pet();
        break;
    case CMD_FEED:
        Feed();
        break;
    case CMD_DRAGON:
        ChallengeDragon();
        break;
    case CMD_GROWTH_RECORD:
        ShowGrowthRecord();
        break;
    case CMD_ADD_WORDS:
        AddWordsManually();
        break;
    case CMD_QUICK_VISIT:
        QuickVisit(false);
        break;
    case CMD_DRIFT_NOTE:
        QuickVisit(true);
        break;
    case CMD_RETURN_TO_CORNER:
        ReturnToCorner();
        break;
    case CMD_TOGGLE_ONLINE:
        ToggleOnline();
        break;
    case CMD_CHANGE_NICKNAME:
        ChangeNickname();
        break;
    case CMD_CREATE_PAIR_CODE:
        CreatePairingCode();
        break;
    case CMD_CLAIM_PAIR_CODE:
        ClaimPairingCode();
        break;
    case CMD_REFRESH_FRIENDS:
        RefreshFriends();
        break;
    case CMD_HIDE_WHEN_FULL_SCREEN:
        SetHideWhenFullScreen(!fullScreen_.enabled());
        break;
    case CMD_SETTINGS:
        ShowSettings();
        break;
    case CMD_UPDATE_NOTICE:
        ShowUpdateNotice();
        break;
    case CMD_USAGE_HELP:
        ShowUsageHelp(window());
        break;
    case CMD_EXIT:
        if (window()) DestroyWindow(window());
        break;
    default:
        break;
    }
}

void PetApp::ShowUpdateNotice() { updateNotice_.Show(window(), notices_, settings_); }

void PetApp::ShowUsageHelp(HWND owner) { notices_.Show(owner, kUsageHelpText, L"咕噜兽使用说明", MB_ICONINFORMATION); }
