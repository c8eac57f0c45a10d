#include "app/pet_app.h"
#include "ui/context_menu.h"
#include "ui/menu_commands.h"

void PetApp::ShowContextMenu() {
    POINT cursor{};
    GetCursorPos(&cursor);
    ContextMenuState state;
    state.selectedAppearance = selectedAppearance;
    state.maxUnlockedAppearance = maxUnlockedAppearance;
    state.movementMode = movementMode;
    state.networkEnabled = networkEnabled;
    state.connected = connected;
    state.updatePending = updatePending;
    int command = 0;
    {
        PopupMenu menu = BuildContextMenu(state);
        SetForegroundWindow(hwnd);
        command = static_cast<int>(TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD,
                                                  cursor.x, cursor.y, 0, hwnd, nullptr));
    }
    RunMenuCommand(command);
}

void PetApp::RunMenuCommand(int command) {
    if (command >= CMD_POSE_FIRST && command <= CMD_POSE_LAST) {
        const PoseChoice choice = PoseForCommand(command);
        ShowPose(static_cast<PoseId>(choice.pose), choice.seconds);
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
        case CMD_RETURN_TO_CORNER: ReturnToCorner(); break;
        case CMD_UPDATE_NOTICE: ShowUpdateNotice(); break;
        case CMD_USAGE_HELP: ShowUsageHelp(hwnd); break;
        case CMD_EXIT: DestroyWindow(hwnd); break;
        default: break;
    }
}
