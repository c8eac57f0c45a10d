// Visits: the card a friend's visit shows, and the visits and answers this pet sends.
#include "app/pet_app.h"

#include "online/service_response.h"
#include "motion/pose.h"
#include "ui/context_menu.h"
#include "ui/prompt_questions.h"
#include "visits/visit_actions.h"
#include "visits/visit_messages.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kCardInset = 14;
constexpr uint64_t kSentTextMs = 2300;
constexpr UINT kPopupFlags = TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD;
constexpr int kChooserFirstCommand = 5000;
constexpr int kLikeCommand = 6100;
constexpr int kDislikeCommand = 6101;

int TrackAtCursor(HWND window, HMENU menu) {
    POINT cursor{};
    GetCursorPos(&cursor);
    SetForegroundWindow(window);
    return static_cast<int>(TrackPopupMenu(menu, kPopupFlags, cursor.x, cursor.y, 0, window, nullptr));
}

}  // namespace

void PetApp::ShowIncomingVisit(const IncomingVisit& visit) {
    RECT before{};
    const bool hadWindow = window() && GetWindowRect(window(), &before);
    if (visits_.Arrive(visit, clock_.Now()) != VisitQueue::Arrival::Shown) return;
    if (hadWindow) savedWindowRect_ = before;
    visitShowing_ = true;
    vitals_.ReceiveVisit();
    if (window()) {
        // Over a full-screen program the card waits unseen, like the pet, until that program goes.
        const UINT show = fullScreen_.hidden() ? 0 : SWP_SHOWWINDOW;
        const ScreenRect area = window_.WorkArea();
        const SIZE card = VisitCardSize(movement_.petSize());
        const DisplayScale scale = movement_.scale();
        const int inset = scale.Pixels(kCardInset);
        SetWindowPos(window(), HWND_TOPMOST, area.left + inset, area.top + inset, scale.Pixels(card.cx),
                     scale.Pixels(card.cy), SWP_NOACTIVATE | show);
    }
    RenderFrame();
}

void PetApp::EndIncomingVisit() {
    if (!visits_.showing()) return;
    std::optional<IncomingVisit> next = visits_.End();
    visitShowing_ = false;
    if (window()) {
        const RECT& saved = savedWindowRect_;
        SetWindowPos(window(), HWND_TOPMOST, saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top,
                     SWP_NOACTIVATE | (fullScreen_.hidden() ? 0 : SWP_SHOWWINDOW));
        movement_.ClampIntoWorkArea();
    }
    RenderFrame();
    if (next) ShowIncomingVisit(*next);
}

VisitCardDescription PetApp::DescribeVisitCard() {
    const uint64_t now = clock_.Now();
    const IncomingVisit& visit = visits_.current();
    const VisitAction action = VisitActionForId(visit.action);
    VisitCardDescription card;
    if (const auto rect = window_.Rect()) {
        card.width = rect->right - rect->left;
        card.height = rect->bottom - rect->top;
    }
    card.scale = movement_.scale().factor();
    card.visitorNickname = visit.fromNickname;
    card.ownNickname = online_.Identity().nickname;
    card.actionLabel = action.label;
    card.artPicture = action.picture;
    card.ownPicture = AppearanceBasePicture(appearance());
    card.visitorPicture = AppearanceBasePicture(visit.appearance);
    card.note = visit.text;
    card.elapsedMs = now - visits_.startTick();
    card.secondsLeft = visits_.SecondsLeft(now);
    card.responded = visits_.responded();
    return card;
}

void PetApp::SendVisit(const OnlineFriend& chosen, uint32_t actionIndex, const std::wstring& note, bool quiet) {
    if (actionIndex >= static_cast<uint32_t>(kVisitActionCount)) return;
    const std::vector<OnlineFriend>& friends = presence_.friends();
    const auto found =
        std::find_if(friends.begin(), friends.end(), [&](const OnlineFriend& f) { return f.id == chosen.id; });
    const OnlineFriend buddy = found != friends.end() ? *found : OnlineFriend{chosen.id, chosen.nickname, false, 0};
    if (!buddy.online) {
        notices_.Show(window(), buddy.nickname + L" 现在不在线，这次招呼不会保存，也不会稍后补发。", L"好友不在线",
                      MB_ICONINFORMATION);
        return;
    }
    const uint64_t now = clock_.Now();
    if (const auto wait = visitLog_.SecondsToWait(buddy.id, now)) {
        notices_.Show(window(), L"刚刚才去找过「" + buddy.nickname + L"」，再等 " + std::to_wstring(*wait) + L" 秒吧。",
                      L"咕噜兽正在喘口气", MB_ICONINFORMATION);
        return;
    }
    const int action = static_cast<int>(actionIndex);
    const SessionSendResult sent = online_.SendSessionMessage(VisitMessage(buddy.id, action, note));
    if (sent.outcome != SessionSendResult::Outcome::Sent) {
        const std::wstring error = sent.outcome == SessionSendResult::Outcome::NotConnected
                                       ? L"联机尚未连接。"
                                       : L"发送失败：" + WinHttpErrorText(sent.error);
        notices_.Show(window(), error, L"串门失败", MB_ICONWARNING);
        return;
    }
    visitLog_.Sent(buddy.id, action, now);
    if (quiet) {
        ShowReactionText(L"已去找 " + buddy.nickname, kSentTextMs);
        return;
    }
    notices_.Show(window(), L"咕噜兽已经去找「" + buddy.nickname + L"」" + VisitActionLabel(action) + L"啦！",
                  L"串门消息已发出", MB_ICONINFORMATION);
}

std::optional<OnlineFriend> PetApp::ChooseOnlineFriend() {
    // A copy: the list may be replaced while the chooser is open.
    std::vector<OnlineFriend> online;
    for (const OnlineFriend& buddy : presence_.friends()) {
        if (buddy.online) online.push_back(buddy);
    }
    if (online.empty()) {
        notices_.Show(window(), L"目前没有好友在线，这次串门不会保存。", L"快捷串门", MB_ICONINFORMATION);
        return std::nullopt;
    }
    if (online.size() == 1) return online.front();
    int command = 0;
    {
        PopupMenu chooser(CreatePopupMenu());
        for (size_t index = 0; index < online.size(); ++index) {
            AppendMenuW(chooser.get(), MF_STRING, kChooserFirstCommand + index,
                        MenuText(online[index].nickname).c_str());
        }
        command = TrackAtCursor(window(), chooser.get());
    }
    if (command < kChooserFirstCommand || static_cast<size_t>(command - kChooserFirstCommand) >= online.size()) {
        return std::nullopt;
    }
    return online[static_cast<size_t>(command - kChooserFirstCommand)];
}

void PetApp::QuickVisit(bool withNote) {
    if (!networkEnabled_ || !presence_.connected()) {
        notices_.Show(window(), L"咕噜兽联机尚未连接。", L"快捷串门", MB_ICONINFORMATION);
        return;
    }
    const std::optional<OnlineFriend> chosen = ChooseOnlineFriend();
    if (!chosen) return;
    std::wstring note;
    if (withNote) {
        if (!RunPrompt(window(), kDriftNotePrompt, L"", note) || note.empty()) {
            return;
        }
    }
    const int action = visitLog_.PickAction(chosen->id);
    SendVisit(*chosen, static_cast<uint32_t>(action), note, true);
}

void PetApp::ShowReactionMenu() {
    if (!visits_.showing() || visits_.responded()) return;
    // The card may time out while the menu is open and a waiting visit take its place: the answer
    // belongs to the visit that was right-clicked.
    const IncomingVisit visit = visits_.current();
    const uint64_t serial = visits_.serial();
    int command = 0;
    {
        PopupMenu menu(CreatePopupMenu());
        AppendMenuW(menu.get(), MF_STRING, kLikeCommand, L"点赞 ♥");
        AppendMenuW(menu.get(), MF_STRING, kDislikeCommand, L"踩一下");
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu.get(), MF_STRING, 0, L"暂不回应");
        command = TrackAtCursor(window(), menu.get());
    }
    if (command != kLikeCommand && command != kDislikeCommand) return;
    SendReaction(visit, serial, command == kLikeCommand ? L"like" : L"dislike");
}

void PetApp::SendReaction(const IncomingVisit& visit, uint64_t visitSerial, const std::wstring& reaction) {
    const SessionSendResult sent = online_.SendSessionMessage(ReactionMessage(visit.fromId, reaction));
    if (sent.outcome == SessionSendResult::Outcome::Sent) {
        visits_.Responded(visitSerial);
        RenderFrame();
        return;
    }
    const std::wstring error = sent.outcome == SessionSendResult::Outcome::NotConnected
                                   ? L"联机尚未连接。"
                                   : L"回应失败：" + WinHttpErrorText(sent.error);
    notices_.Show(window(), error, L"回应没有送达", MB_ICONWARNING);
}
