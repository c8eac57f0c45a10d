#include "online/session_message.h"

#include "online/display_text.h"
#include "online/json.h"
#include "online/service_bounds.h"
#include "online/wide_text.h"

namespace {

std::wstring WideMember(const JsonValue& object, std::string_view key) { return Utf8ToWide(object.GetString(key)); }

std::wstring CutMember(const JsonValue& object, std::string_view key, std::size_t maxChars) {
    return LimitText(WideMember(object, key), maxChars);
}

const JsonValue* ObjectMember(const JsonValue& object, std::string_view key) {
    const JsonValue* member = object.FindMember(key);
    return member && member->kind == JsonKind::Object ? member : nullptr;
}

SessionMessage ReadConnected(const JsonValue& root) {
    ConnectedMessage connected;
    connected.friends = ParseFriendList(root.FindMember("friends"));
    if (const JsonValue* notice = ObjectMember(root, "announcement")) {
        std::wstring url = WideMember(*notice, "download_url");
        // A cut address would lead somewhere else: a longer one is not offered at all.
        if (url.size() > kMaxDownloadUrlChars) url.clear();
        UpdateAnnouncement announcement{CutMember(*notice, "id", kMaxAnnouncementIdChars),
                                        CutMember(*notice, "title", kMaxAnnouncementTitleChars),
                                        LimitForDisplay(WideMember(*notice, "message")),
                                        CutMember(*notice, "latest_version", kMaxVersionChars), std::move(url)};
        if (!announcement.id.empty()) connected.announcement = std::move(announcement);
    }
    return connected;
}

SessionMessage ReadVisit(const JsonValue& root) {
    const JsonValue* from = ObjectMember(root, "from");
    if (!from) return {};
    IncomingVisit visit;
    std::optional<std::wstring> fromId = ReadDeviceId(*from);
    visit.fromNickname = ReadNickname(*from);
    // An answer goes back to this id: one that cannot be kept whole drops the visit.
    if (!fromId || visit.fromNickname.empty()) return {};
    visit.fromId = std::move(*fromId);
    const std::string actionV2 = root.GetString("action_v2");
    visit.action = LimitText(Utf8ToWide(actionV2.empty() ? root.GetString("action") : actionV2), kMaxWordChars);
    visit.text = CutMember(root, "text", kMaxNoteChars);
    visit.appearance = ReadAppearance(from->FindMember("appearance"));
    return visit;
}

SessionMessage ReadReaction(const JsonValue& root) {
    const JsonValue* from = ObjectMember(root, "from");
    if (!from) return {};
    IncomingReaction reaction{ReadDeviceId(*from).value_or(L""), ReadNickname(*from),
                              CutMember(root, "reaction", kMaxWordChars)};
    if (reaction.fromNickname.empty()) return {};
    return reaction;
}

SessionMessage ReadServerError(const JsonValue& root) {
    std::wstring text = WideMember(root, "message");
    if (text.empty()) return {};
    return ServerErrorMessage{LimitForDisplay(std::move(text))};
}

}  // namespace

SessionMessage ReadSessionMessage(std::string_view text) {
    JsonValue root;
    if (!ParseJson(text, root) || root.kind != JsonKind::Object) return {};
    const std::string type = root.GetString("type");
    if (type == "connected") return ReadConnected(root);
    if (type == "friend_added" || type == "friend_updated" || type == "friend_removed" || type == "presence") {
        return FriendsChangedMessage{};
    }
    if (type == "action") return ReadVisit(root);
    if (type == "reaction") return ReadReaction(root);
    if (type == "error") return ReadServerError(root);
    return {};
}
