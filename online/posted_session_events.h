// How session events reach the pet window: each callback copies its event to the heap and posts
// it as one of five private messages, whose lParam then owns the copy. The window procedure
// takes each payload over with TakeSessionPayload before handling it, so that it is freed
// however the handling ends; a post that fails frees the copy at once.
#pragma once

#include "online/online_friend.h"
#include "online/session_events.h"
#include "online/update_announcement.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

// wParam 0; lParam a NetStatusPayload*, FriendListPayload*, IncomingVisit*,
// UpdateAnnouncement* or IncomingReaction*.
inline constexpr UINT WM_PET_NET_STATUS = WM_APP + 1;
inline constexpr UINT WM_PET_FRIENDS = WM_APP + 2;
inline constexpr UINT WM_PET_VISIT = WM_APP + 3;
inline constexpr UINT WM_PET_ANNOUNCEMENT = WM_APP + 4;
inline constexpr UINT WM_PET_REACTION = WM_APP + 5;

// The five callbacks that post to the window `window` names at the moment of each post (so a
// window created or destroyed later is followed).
SessionCallbacks PostingSessionCallbacks(std::function<HWND()> window);

// Ownership of a posted payload, for the window procedure.
template <typename Payload>
std::unique_ptr<Payload> TakeSessionPayload(LPARAM lParam) {
    return std::unique_ptr<Payload>(reinterpret_cast<Payload*>(lParam));
}
