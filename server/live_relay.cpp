#include "live_relay.h"

#include "field_rules.h"
#include "json_input.h"
#include "texts.h"
#include "wire_format.h"

namespace mossquill::service {

LiveRelay::LiveRelay(Store& store, const Clock& clock, const ServiceLimits& limits,
                     std::optional<nlohmann::json> announcement)
    : store_(store),
      clock_(clock),
      announcement_(std::move(announcement)),
      messageLimiter_(limits.liveMessagesPerDevice, limits.liveMessageWindow)
{
}

void LiveRelay::Open(const DeviceRecord& device, const std::shared_ptr<LiveConnection>& connection)
{
    auto& slot = sessions_[device.id];
    const std::shared_ptr<LiveConnection> previous = std::exchange(slot, connection);
    if (previous) {
        previous->Replace();
    }

    nlohmann::json friends = nlohmann::json::array();
    for (const auto& friendDevice : store_.FriendsOf(device.id)) {
        friends.push_back(FriendJson(friendDevice, IsOnline(friendDevice.id)));
    }
    nlohmann::json connected = {{"type", "connected"}, {"device", DeviceJson(device)}, {"friends", friends}};
    if (announcement_) {
        connected["announcement"] = *announcement_;
    }
    connection->Send(ToText(connected));

    // A replaced session means the device never went offline: nothing to announce.
    if (!previous) {
        NotifyOnlineFriends(device, "presence", true);
    }
}

void LiveRelay::Close(const std::string& deviceId, const LiveConnection& connection)
{
    const auto found = sessions_.find(deviceId);
    if (found == sessions_.end() || found->second.get() != &connection) {
        return;
    }
    sessions_.erase(found);
    if (const auto device = store_.FindDevice(deviceId)) {
        NotifyOnlineFriends(*device, "presence", false);
    }
}

bool LiveRelay::IsOnline(const std::string& deviceId) const { return sessions_.contains(deviceId); }

void LiveRelay::Receive(const std::string& deviceId, const LiveConnection& connection, std::string_view text)
{
    LiveConnection* current = Current(deviceId);
    if (current != &connection) {
        return;  // a replaced session that has not finished closing
    }
    if (!messageLimiter_.TryTake(deviceId, clock_.Now())) {
        current->Send(LiveError(texts::kSendingTooFast));
        return;
    }
    const JsonInput input = ParseJsonObject(text);
    if (input.error != JsonInputError::None) {
        current->Send(LiveError(texts::kMessageNotJson));
        return;
    }
    Relay(deviceId, *current, input.value);
}

void LiveRelay::Relay(const std::string& senderId, LiveConnection& sender, const nlohmann::json& message)
{
    const auto type = message.find("type");
    const bool isAction = type != message.end() && *type == "action";
    const bool isReaction = type != message.end() && *type == "reaction";
    if (!isAction && !isReaction) {
        sender.Send(LiveError(texts::kMessageTypeUnknown));
        return;
    }

    const auto to = message.find("to");
    if (to == message.end() || !to->is_string() || to->get_ref<const std::string&>().empty()) {
        sender.Send(LiveError(texts::kTargetMissing));
        return;
    }
    const std::string& targetId = to->get_ref<const std::string&>();

    const auto sendingDevice = store_.FindDevice(senderId);
    if (!sendingDevice) {
        return;  // cannot happen for an admitted session; nothing sensible to relay
    }
    nlohmann::json relayed = {{"type", *type}, {"from", DeviceJson(*sendingDevice)}};

    if (isAction) {
        const auto action = message.find("action");
        if (action == message.end() || !action->is_string() || !IsVisitAction(action->get_ref<const std::string&>())) {
            sender.Send(LiveError(texts::kActionInvalid));
            return;
        }
        relayed["action"] = *action;
        const auto actionV2 = message.find("action_v2");
        if (actionV2 != message.end()) {
            if (!actionV2->is_string() || !IsVisitAction(actionV2->get_ref<const std::string&>())) {
                sender.Send(LiveError(texts::kActionInvalid));
                return;
            }
            relayed["action_v2"] = *actionV2;
        }
        const auto textMember = message.find("text");
        const TextField note = CheckNote(textMember == message.end() ? nullptr : &*textMember);
        if (!note.error.empty()) {
            sender.Send(LiveError(note.error));
            return;
        }
        if (!note.value.empty()) {
            relayed["text"] = note.value;
        }
    } else {
        const auto reaction = message.find("reaction");
        if (reaction == message.end() || !reaction->is_string() || !IsReaction(reaction->get_ref<const std::string&>())) {
            sender.Send(LiveError(texts::kReactionInvalid));
            return;
        }
        relayed["reaction"] = *reaction;
    }

    if (!store_.AreFriends(senderId, targetId)) {
        sender.Send(LiveError(isAction ? texts::kNotFriend : texts::kNotFriendReaction));
        return;
    }
    LiveConnection* target = Current(targetId);
    if (target == nullptr) {
        sender.Send(LiveError(isAction ? texts::kFriendOffline : texts::kFriendOfflineReaction));
        return;
    }
    target->Send(ToText(relayed));
}

void LiveRelay::NotifyFriendAdded(const DeviceRecord& claimer, const DeviceRecord& owner)
{
    SendTo(claimer.id, {{"type", "friend_added"}, {"friend", FriendJson(owner, IsOnline(owner.id))}});
    SendTo(owner.id, {{"type", "friend_added"}, {"friend", FriendJson(claimer, IsOnline(claimer.id))}});
}

void LiveRelay::NotifyProfileChanged(const DeviceRecord& device)
{
    NotifyOnlineFriends(device, "friend_updated", IsOnline(device.id));
}

void LiveRelay::SetAnnouncement(std::optional<nlohmann::json> announcement)
{
    announcement_ = std::move(announcement);
}

void LiveRelay::DropSessions() { sessions_.clear(); }

void LiveRelay::NotifyOnlineFriends(const DeviceRecord& device, std::string_view type, bool online)
{
    const std::string message = ToText({{"type", type}, {"friend", FriendJson(device, online)}});
    for (const auto& friendDevice : store_.FriendsOf(device.id)) {
        if (LiveConnection* connection = Current(friendDevice.id)) {
            connection->Send(message);
        }
    }
}

void LiveRelay::SendTo(const std::string& deviceId, const nlohmann::json& message)
{
    if (LiveConnection* connection = Current(deviceId)) {
        connection->Send(ToText(message));
    }
}

LiveConnection* LiveRelay::Current(const std::string& deviceId) const
{
    const auto found = sessions_.find(deviceId);
    return found == sessions_.end() ? nullptr : found->second.get();
}

}  // namespace mossquill::service
