#pragma once

#include "motion/pose.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct MenuFriend {
    std::wstring nickname;
    bool online = false;
    std::wstring id;
};

// Everything the context menu shows, read from the pet's state when the menu opens.
struct ContextMenuState {
    int selectedAppearance = 0;
    int maxUnlockedAppearance = 1;
    int movementMode = 0;
    bool networkEnabled = false;
    bool connected = false;
    bool updatePending = false;
    bool hideWhenFullScreen = true;
    std::vector<MenuFriend> friends;
};

// Owns a popup menu and, through it, every submenu attached to it.
class PopupMenu {
public:
    explicit PopupMenu(HMENU menu) : menu_(menu) {}
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    ~PopupMenu() {
        if (menu_) DestroyMenu(menu_);
    }
    HMENU get() const { return menu_; }

private:
    HMENU menu_;
};

PopupMenu BuildContextMenu(const ContextMenuState& state);

// The pose the menu's pose commands start, and for how many seconds (0: no end).
struct PoseChoice {
    PoseId pose;
    int seconds;
};
// Nothing for a command that is not one of the pose commands.
std::optional<PoseChoice> PoseForCommand(int command);

// A command of a friend's submenu: the friend's place in the menu's list and the item chosen,
// an action index or kRemoveFriendItem. Nothing for any other command.
struct FriendMenuChoice {
    size_t friendIndex;
    int item;
};
std::optional<FriendMenuChoice> FriendChoiceForCommand(int command);

// Text as a menu item shows it: '&' stays an ampersand instead of marking a mnemonic.
std::wstring MenuText(const std::wstring& text);
