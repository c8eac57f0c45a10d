#include "online/session_message.h"

#include "online/display_text.h"
#include "online/json.h"
#include "online/wide_text.h"

namespace {

std::wstring WideMember(const JsonValue& object, std::string_view key) { return Utf8ToWide(object.GetString(key)); }

const JsonValue* ObjectMember(const JsonValue& object, std::string_view key) {
    const JsonValue* member = object.FindMember(key);
    return member && member->kind == JsonKind::Object ? member : nullptr;
}

SessionMessage ReadConnected(const JsonValue& root) {
    ConnectedMessage connected;
    connected.friends = ParseFriendList(root.FindMember("friends"));
    if (const JsonValue* notice = ObjectMember(root, "announcement")) {
        UpdateAnnouncement announcement{WideMember(*notice, "id"), WideMember(*notice, "title"),
                                        WideMember(*notice, "message"), WideMember(*notice, "latest_version"),
                                        WideMember(*notice, "download_url")};
        if (!announcement.id.empty()) connected.announcement = std::move(announcement);
    }
    return connected;
}

SessionMessage ReadVisit(const JsonValue& root) {
    const JsonValue* from = ObjectMember(root, "from");
    if (!from) return {};
    IncomingVisit visit;
    visit.fromId = WideMember(*from, "id");
    visit.fromNickname = WideMember(*from, "nickname");
    if (visit.fromNickname.empty()) return {};
    const std::string actionV2 = root.GetString("action_v2");
    visit.action = Utf8ToWide(actionV2.empty() ? root.GetString("action") : actionV2);
    visit.text = WideMember(root, "text");
    visit.appearance = ReadAppearance(from->FindMember("appearance"));
    return visit;
}

SessionMessage ReadReaction(const JsonValue& root) {
    const JsonValue* from = ObjectMember(root, "from");
    if (!from) return {};
    IncomingReaction reaction{WideMember(*from, "id"), WideMember(*from, "nickname"), WideMember(root, "reaction")};
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
        return FriendsChangedMessage{type == "friend_added"};
    }
    if (type == "action") return ReadVisit(root);
    if (type == "reaction") return ReadReaction(root);
    if (type == "error") return ReadServerError(root);
    return {};
}
