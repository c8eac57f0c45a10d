#include "live_relay.h"

#include "field_rules.h"
#include "json_input.h"
#include "texts.h"
#include "wire_format.h"

namespace mossquill::service {
namespace {

std::vector<std::string> IdsOf(const std::vector<DeviceRecord>& devices)
{
    std::vector<std::string> ids;
    ids.reserve(devices.size());
    for (const auto& device : devices) {
        ids.push_back(device.id);
    }
    return ids;
}

std::string PresenceText(const DeviceRecord& device, std::string_view type, bool online)
{
    return ToText({{"type", type}, {"friend", FriendJson(device, online)}});
}

}  // namespace

LiveRelay::LiveRelay(const Clock& clock, const ServiceLimits& limits, std::optional<nlohmann::json> announcement)
    : clock_(clock),
      announcement_(std::move(announcement)),
      messageLimiter_(limits.liveMessagesPerDevice, limits.liveMessageWindow)
{
}

void LiveRelay::Open(const DeviceRecord& device, const std::vector<DeviceRecord>& friends,
                     const std::shared_ptr<LiveConnection>& connection)
{
    const std::lock_guard lock(mutex_);
    Session& session = sessions_[device.id];
    const std::shared_ptr<LiveConnection> previous = std::exchange(session.connection, connection);
    session.device = device;
    session.friends.clear();
    for (const auto& friendDevice : friends) {
        session.friends.insert(friendDevice.id);
    }
    if (previous) {
        previous->Replace();
    }

    nlohmann::json list = nlohmann::json::array();
    for (const auto& friendDevice : friends) {
        list.push_back(FriendJson(friendDevice, IsOnlineLocked(friendDevice.id)));
    }
    nlohmann::json connected = {{"type", "connected"}, {"device", DeviceJson(device)}, {"friends", list}};
    if (announcement_) {
        connected["announcement"] = *announcement_;
    }
    connection->Send(ToText(connected));

    // A replaced session means the device never went offline: nothing to announce.
    if (!previous) {
        SendToOnline(IdsOf(friends), PresenceText(device, "presence", true));
    }
}

void LiveRelay::Close(const std::string& deviceId, const LiveConnection& connection)
{
    const std::lock_guard lock(mutex_);
    const auto found = sessions_.find(deviceId);
    if (found == sessions_.end() || found->second.connection.get() != &connection) {
        return;
    }
    const Session closed = std::move(found->second);
    sessions_.erase(found);
    SendToOnline({closed.friends.begin(), closed.friends.end()}, PresenceText(closed.device, "presence", false));
}

bool LiveRelay::IsOnline(const std::string& deviceId) const
{
    const std::lock_guard lock(mutex_);
    return IsOnlineLocked(deviceId);
}

std::size_t LiveRelay::SessionCount() const
{
    const std::lock_guard lock(mutex_);
    return sessions_.size();
}

void LiveRelay::Receive(const std::string& deviceId, const LiveConnection& connection, std::string_view message,
                        bool isText)
{
    const std::lock_guard lock(mutex_);
    const auto found = sessions_.find(deviceId);
    if (found == sessions_.end() || found->second.connection.get() != &connection) {
        return;  // a replaced session that has not finished closing
    }
    LiveConnection& sender = *found->second.connection;
    if (!messageLimiter_.TryTake(deviceId, clock_.Now())) {
        sender.Send(LiveError(texts::kSendingTooFast));
        return;
    }
    if (!isText) {
        sender.Send(LiveError(texts::kMessageNotText));
        return;
    }
    const JsonInput input = ParseJsonObject(message);
    if (input.error != JsonInputError::None) {
        sender.Send(LiveError(texts::kMessageNotJson));
        return;
    }
    Relay(found->second, input.value);
}

void LiveRelay::Relay(const Session& senderSession, const nlohmann::json& message)
{
    LiveConnection& sender = *senderSession.connection;
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
    nlohmann::json relayed = {{"type", *type}, {"from", DeviceJson(senderSession.device)}};

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

    if (!senderSession.friends.contains(targetId)) {
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
    const std::lock_guard lock(mutex_);
    const auto tell = [this](const DeviceRecord& to, const DeviceRecord& newFriend) {
        const auto found = sessions_.find(to.id);
        if (found == sessions_.end()) {
            return;
        }
        found->second.friends.insert(newFriend.id);
        found->second.connection->Send(
            ToText({{"type", "friend_added"}, {"friend", FriendJson(newFriend, IsOnlineLocked(newFriend.id))}}));
    };
    tell(claimer, owner);
    tell(owner, claimer);
}

void LiveRelay::NotifyProfileChanged(const DeviceRecord& device, const std::vector<DeviceRecord>& friends)
{
    const std::lock_guard lock(mutex_);
    const auto found = sessions_.find(device.id);
    if (found != sessions_.end()) {
        found->second.device = device;
    }
    SendToOnline(IdsOf(friends), PresenceText(device, "friend_updated", found != sessions_.end()));
}

void LiveRelay::SetAnnouncement(std::optional<nlohmann::json> announcement)
{
    const std::lock_guard lock(mutex_);
    announcement_ = std::move(announcement);
}

void LiveRelay::DropSessions()
{
    decltype(sessions_) dropped;
    {
        const std::lock_guard lock(mutex_);
        dropped.swap(sessions_);
    }
}

void LiveRelay::SendToOnline(const std::vector<std::string>& deviceIds, const std::string& message) const
{
    for (const auto& id : deviceIds) {
        if (LiveConnection* connection = Current(id)) {
            connection->Send(message);
        }
    }
}

bool LiveRelay::IsOnlineLocked(const std::string& deviceId) const { return sessions_.contains(deviceId); }

LiveConnection* LiveRelay::Current(const std::string& deviceId) const
{
    const auto found = sessions_.find(deviceId);
    return found == sessions_.end() ? nullptr : found->second.connection.get();
}

}  // namespace mossquill::service
