// What the live session reports reaches the window as private messages; each is shown here.
#include "app/pet_app.h"

#include "core/setting_names.h"
#include "online/posted_session_events.h"

namespace {

constexpr uint64_t kReceivedReactionMs = 3600;
constexpr uint64_t kNewFriendMs = 3600;

std::wstring ReactionReport(const IncomingReaction& reaction) {
    return reaction.fromNickname + (reaction.reaction == L"like" ? L" 点赞了串门 ♥" : L" 踩了一下串门");
}

}  // namespace

void PetApp::ShowServiceNotice(std::wstring text) {
    if (!serviceNotice_.Offer(text)) return;
    // The box's own loop handles the next texts; they wait in the slot until it closes.
    for (std::optional<std::wstring> next = std::move(text); next; next = serviceNotice_.Closed()) {
        ShowOwnNotice(*next, L"咕噜兽联机", MB_ICONINFORMATION);
    }
}

void PetApp::OnSessionEvent(UINT message, LPARAM payload) {
    switch (message) {
    case WM_PET_NET_STATUS: {
        const auto status = TakeSessionPayload<NetStatusPayload>(payload);
        // Switching off stops the session; a status it posted just before is out of date.
        if (!networkEnabled_) return;
        const OnlinePresence::StatusChange change = presence_.ReceiveStatus(*status);
        if (change.newConnection) online_.PublishAppearance(appearance());
        RenderFrame();
        if (change.notice) ShowServiceNotice(std::move(*change.notice));
        break;
    }
    case WM_PET_FRIENDS: {
        const auto list = TakeSessionPayload<FriendListPayload>(payload);
        // A friend nobody here added (a guessed code, say) is worth noticing: it can be removed.
        const std::optional<std::wstring> newcomer =
            list->afterFriendAdded ? presence_.Newcomer(list->friends) : std::nullopt;
        presence_.ReceiveFriends(std::move(list->friends));
        if (newcomer) ShowReactionText(L"新好友：" + *newcomer, kNewFriendMs);
        break;
    }
    case WM_PET_ANNOUNCEMENT: {
        auto announcement = TakeSessionPayload<UpdateAnnouncement>(payload);
        const bool unseen = settings_.ReadString(setting::kSeenAnnouncementId) != announcement->id;
        updateNotice_.Receive(std::move(*announcement), unseen);
        break;
    }
    case WM_PET_REACTION:
        ShowReactionText(ReactionReport(*TakeSessionPayload<IncomingReaction>(payload)), kReceivedReactionMs);
        break;
    default:
        break;
    }
}
