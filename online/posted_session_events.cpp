#include "online/posted_session_events.h"

namespace {

// Posts a heap copy of the event; the receiver owns it once the post succeeded. Without a window
// nothing is posted: a null window would send it to the session thread's own queue, never read.
template <typename Payload>
void PostCopy(const std::function<HWND()>& window, UINT message, Payload payload) {
    auto copy = std::make_unique<Payload>(std::move(payload));
    const HWND target = window();
    if (target && PostMessageW(target, message, 0, reinterpret_cast<LPARAM>(copy.get()))) copy.release();
}

}  // namespace

SessionCallbacks PostingSessionCallbacks(std::function<HWND()> window) {
    return {
        [window](bool connected, const std::wstring& text) {
            PostCopy(window, WM_PET_NET_STATUS, NetStatusPayload{connected, text});
        },
        [window](const std::vector<OnlineFriend>& friends, bool afterFriendAdded) {
            PostCopy(window, WM_PET_FRIENDS, FriendListPayload{friends, afterFriendAdded});
        },
        [window](const IncomingVisit& visit) { PostCopy(window, WM_PET_VISIT, visit); },
        [window](const UpdateAnnouncement& announcement) { PostCopy(window, WM_PET_ANNOUNCEMENT, announcement); },
        [window](const IncomingReaction& reaction) { PostCopy(window, WM_PET_REACTION, reaction); },
    };
}
