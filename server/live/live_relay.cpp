#include "live/live_relay.h"

#include "core/field_rules.h"
#include "core/json_input.h"
#include "core/metrics.h"
#include "core/texts.h"
#include "live/wire_format.h"

#include "protocol/message_types.h"

#include <array>

namespace mossquill::service {
namespace {

// The members of a client's message that the relay reads.
constexpr std::size_t kMemberCount = 6;
constexpr std::array<std::string_view, kMemberCount> kMemberNames = {"type",      "to",   "action",
                                                                     "action_v2", "text", "reaction"};
enum MemberIndex : std::size_t { kType, kTo, kActionName, kActionV2, kText, kReaction };

std::string PresenceText(const DeviceRecord& device, std::string_view type, bool online) {
    return ToText({{"type", type}, {"friend", FriendJson(device, online)}});
}

}  // namespace

LiveRelay::LiveRelay(const Clock& clock, const ServiceLimits& limits, std::optional<nlohmann::json> announcement,
                     SessionDirectory& directory, const LimiterFactory& limiters)
    : clock_(clock),
      directory_(directory),
      announcement_(std::move(announcement)),
      messageLimiter_(limiters("live-message", limits.liveMessagesPerDevice, limits.liveMessageWindow)) {}

void LiveRelay::Session::Describe(const DeviceRecord& record) {
    device = record;
    from = ToText(DeviceJson(record));
}

void LiveRelay::Open(const DeviceRecord& device, const std::vector<DeviceRecord>& friends,
                     const std::shared_ptr<LiveConnection>& connection) {
    const std::vector<std::string> friendIds = IdsOf(friends);
    const std::string presence = PresenceText(device, protocol::message::kPresence, true);
    std::vector<std::string> elsewhere;
    {
        const std::lock_guard order(openMutex_);
        const std::vector<bool> friendsElsewhere = directory_.OnlineElsewhere(friendIds);
        // The last call that may fail: a claimed session is always one the relay holds.
        const std::uint64_t serial = nextSerial_++;
        const bool onlineElsewhere = directory_.Claim(device, serial);

        const std::lock_guard lock(mutex_);
        Session& session = sessions_[device.id];
        const std::shared_ptr<LiveConnection> previous = std::exchange(session.connection, connection);
        session.Describe(device);
        session.serial = serial;
        session.friends = {friendIds.begin(), friendIds.end()};
        if (previous) {
            previous->Replace();
        } else {
            Metrics().liveSessions.Add(1);
        }
        Metrics().liveSessionsStarted.Add();

        nlohmann::json list = nlohmann::json::array();
        for (std::size_t i = 0; i < friends.size(); ++i) {
            list.push_back(FriendJson(friends[i], sessions_.contains(friends[i].id) || friendsElsewhere[i]));
        }
        nlohmann::json connected = {
            {"type", protocol::message::kConnected}, {"device", DeviceJson(device)}, {"friends", list}};
        if (announcement_) {
            connected["announcement"] = *announcement_;
        }
        connection->Send(ToText(connected));

        // A replaced session means the device never went offline: nothing to announce.
        if (previous || onlineElsewhere) {
            return;
        }
        elsewhere = SendHereLocked(friendIds, presence, device.id);
    }
    directory_.DeliverPresence(elsewhere, device.id, presence);
}

void LiveRelay::Close(const std::string& deviceId, const LiveConnection& connection) {
    Session closed;
    {
        const std::lock_guard lock(mutex_);
        const auto found = sessions_.find(deviceId);
        if (found == sessions_.end() || found->second.connection.get() != &connection) {
            return;
        }
        closed = std::move(found->second);
        sessions_.erase(found);
        Metrics().liveSessions.Add(-1);
    }
    // Not when a newer session on another instance took its place.
    directory_.Release(deviceId, closed.serial,
                       [this, device = std::move(closed.device),
                        friends = std::vector<std::string>(closed.friends.begin(), closed.friends.end())] {
                           const std::string presence = PresenceText(device, protocol::message::kPresence, false);
                           std::vector<std::string> elsewhere;
                           {
                               const std::lock_guard lock(mutex_);
                               if (sessions_.contains(device.id)) {
                                   return;  // back here meanwhile
                               }
                               elsewhere = SendHereLocked(friends, presence, device.id);
                           }
                           directory_.DeliverPresence(elsewhere, device.id, presence);
                       });
}

bool LiveRelay::IsOnline(const std::string& deviceId) const { return AreOnline({deviceId}).front(); }

std::vector<bool> LiveRelay::AreOnline(const std::vector<std::string>& deviceIds) const {
    std::vector<bool> online(deviceIds.size());
    std::vector<std::string> notHere;
    {
        const std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < deviceIds.size(); ++i) {
            online[i] = sessions_.contains(deviceIds[i]);
            if (!online[i]) {
                notHere.push_back(deviceIds[i]);
            }
        }
    }
    const std::vector<bool> elsewhere = directory_.OnlineElsewhere(notHere);
    for (std::size_t i = 0, next = 0; i < online.size(); ++i) {
        if (!online[i]) {
            online[i] = elsewhere[next++];
        }
    }
    return online;
}

void LiveRelay::Receive(const std::string& deviceId, const LiveConnection& connection, std::string_view message,
                        bool isText) {
    const std::shared_ptr<LiveConnection> sender = Held(deviceId, connection);
    if (!sender) {
        return;  // a replaced session that has not finished closing
    }
    if (!messageLimiter_->TryTake(deviceId, clock_.Now())) {
        Metrics().Refused(Refusal::LiveMessages);
        sender->Send(LiveError(texts::kSendingTooFast));
        return;
    }
    if (!isText) {
        sender->Send(LiveError(texts::kMessageNotText));
        return;
    }
    std::array<JsonMember, kMemberCount> members;
    if (ReadObjectMembers(message, kMemberNames, members) != JsonInputError::None) {
        sender->Send(LiveError(texts::kMessageNotJson));
        return;
    }
    Relay(deviceId, connection, sender, members);
}

std::shared_ptr<LiveConnection> LiveRelay::Held(const std::string& deviceId, const LiveConnection& connection) const {
    const std::lock_guard lock(mutex_);
    const auto found = sessions_.find(deviceId);
    if (found == sessions_.end() || found->second.connection.get() != &connection) {
        return nullptr;
    }
    return found->second.connection;
}

void LiveRelay::Relay(const std::string& senderId, const LiveConnection& connection,
                      const std::shared_ptr<LiveConnection>& senderConnection, std::span<const JsonMember> message) {
    LiveConnection& sender = *senderConnection;
    const JsonMember& type = message[kType];
    const bool isAction = type.isString && type.text == protocol::message::kAction;
    const bool isReaction = type.isString && type.text == protocol::message::kReaction;
    if (!isAction && !isReaction) {
        sender.Send(LiveError(texts::kMessageTypeUnknown));
        return;
    }
    const JsonMember& to = message[kTo];
    if (!to.isString || to.text.empty()) {
        sender.Send(LiveError(texts::kTargetMissing));
        return;
    }
    const std::string& targetId = to.text;

    // Composed as text with the members in the order a document would write them, so no
    // document is built per message; only the sender's part needs the lock.
    std::string head = "{";
    std::string tail;
    if (isAction) {
        const JsonMember& action = message[kActionName];
        const JsonMember& actionV2 = message[kActionV2];
        if (!action.isString || !IsVisitAction(action.text) ||
            (actionV2.present && (!actionV2.isString || !IsVisitAction(actionV2.text)))) {
            sender.Send(LiveError(texts::kActionInvalid));
            return;
        }
        const TextField note = CheckNote(message[kText]);
        if (!note.error.empty()) {
            sender.Send(LiveError(note.error));
            return;
        }
        head += "\"action\":";
        AppendJsonString(head, action.text);
        if (actionV2.present) {
            head += ",\"action_v2\":";
            AppendJsonString(head, actionV2.text);
        }
        if (!note.value.empty()) {
            tail += ",\"text\":";
            AppendJsonString(tail, note.value);
        }
        head += ',';
    } else {
        const JsonMember& reaction = message[kReaction];
        if (!reaction.isString || !IsReaction(reaction.text)) {
            sender.Send(LiveError(texts::kReactionInvalid));
            return;
        }
        tail += ",\"reaction\":";
        AppendJsonString(tail, reaction.text);
    }
    tail += ",\"type\":";
    AppendJsonString(tail, type.text);
    tail += '}';

    std::string text;
    {
        const std::lock_guard lock(mutex_);
        const auto found = sessions_.find(senderId);
        if (found == sessions_.end() || found->second.connection.get() != &connection) {
            return;
        }
        if (!found->second.friends.contains(targetId)) {
            sender.Send(LiveError(isAction ? texts::kNotFriend : texts::kNotFriendReaction));
            return;
        }
        text.reserve(head.size() + found->second.from.size() + tail.size() + 7);
        text.append(head).append("\"from\":").append(found->second.from).append(tail);
        if (LiveConnection* target = Current(targetId)) {
            target->Send(std::move(text));
            Metrics().relayedMessages.Add();
            return;
        }
    }
    // Counted when handed to the directory; one the other instance cannot take is answered as offline.
    Metrics().relayedMessages.Add();
    directory_.Deliver(targetId, std::move(text), [senderConnection, isAction] {
        senderConnection->Send(LiveError(isAction ? texts::kFriendOffline : texts::kFriendOfflineReaction));
    });
}

void LiveRelay::NotifyFriendAdded(const DeviceRecord& claimer, const DeviceRecord& owner) {
    Befriend(claimer, owner);
    Befriend(owner, claimer);
}

void LiveRelay::Befriend(const DeviceRecord& to, const DeviceRecord& newFriend) {
    const std::string text =
        ToText({{"type", protocol::message::kFriendAdded}, {"friend", FriendJson(newFriend, IsOnline(newFriend.id))}});
    if (!ChangeFriendsHere(to.id, newFriend.id, true, text)) {
        directory_.Befriend(to.id, newFriend.id, text);
    }
}

void LiveRelay::NotifyFriendRemoved(const DeviceRecord& remover, const DeviceRecord& removed) {
    Unfriend(remover, removed);
    Unfriend(removed, remover);
}

void LiveRelay::Unfriend(const DeviceRecord& to, const DeviceRecord& former) {
    // No presence: a former friend's is no longer this device's business.
    const std::string text = ToText({{"type", "friend_removed"}, {"friend", DeviceJson(former)}});
    if (!ChangeFriendsHere(to.id, former.id, false, text)) {
        directory_.Unfriend(to.id, former.id, text);
    }
}

bool LiveRelay::ChangeFriendsHere(const std::string& deviceId, const std::string& friendId, bool befriended,
                                  const std::string& text) {
    const std::lock_guard lock(mutex_);
    const auto found = sessions_.find(deviceId);
    if (found == sessions_.end()) {
        return false;
    }
    if (befriended) {
        found->second.friends.insert(friendId);
    } else {
        found->second.friends.erase(friendId);
        found->second.connection->ForgetPresence(friendId);
    }
    found->second.connection->Send(text);
    return true;
}

void LiveRelay::NotifyProfileChanged(const DeviceRecord& device, const std::vector<DeviceRecord>& friends) {
    bool here = false;
    {
        const std::lock_guard lock(mutex_);
        const auto found = sessions_.find(device.id);
        if (found != sessions_.end()) {
            found->second.Describe(device);
            here = true;
        }
    }
    directory_.ProfileChanged(device);
    const bool online = here || directory_.OnlineElsewhere({device.id}).front();
    SendToOnline(IdsOf(friends), PresenceText(device, protocol::message::kFriendUpdated, online));
}

void LiveRelay::CheckDirectory() const { directory_.Check(); }

void LiveRelay::SetAnnouncement(std::optional<nlohmann::json> announcement) {
    const std::lock_guard lock(mutex_);
    announcement_ = std::move(announcement);
}

void LiveRelay::DropSessions() {
    decltype(sessions_) dropped;
    {
        const std::lock_guard lock(mutex_);
        dropped.swap(sessions_);
    }
    Metrics().liveSessions.Add(-static_cast<std::int64_t>(dropped.size()));
}

void LiveRelay::DeliverHere(const std::vector<std::string>& deviceIds, const std::string& text) {
    const std::lock_guard lock(mutex_);
    SendHereLocked(deviceIds, text);
}

void LiveRelay::PresenceHere(const std::vector<std::string>& deviceIds, const std::string& aboutId,
                             const std::string& text) {
    const std::lock_guard lock(mutex_);
    SendHereLocked(deviceIds, text, aboutId);
}

void LiveRelay::BefriendHere(const std::string& deviceId, const std::string& friendId, const std::string& text) {
    ChangeFriendsHere(deviceId, friendId, true, text);
}

void LiveRelay::UnfriendHere(const std::string& deviceId, const std::string& formerId, const std::string& text) {
    ChangeFriendsHere(deviceId, formerId, false, text);
}

void LiveRelay::ProfileHere(const DeviceRecord& device) {
    const std::lock_guard lock(mutex_);
    const auto found = sessions_.find(device.id);
    if (found != sessions_.end()) {
        found->second.Describe(device);
    }
}

void LiveRelay::ReplaceHere(const std::string& deviceId, std::uint64_t serial) {
    std::shared_ptr<LiveConnection> replaced;
    {
        const std::lock_guard lock(mutex_);
        const auto found = sessions_.find(deviceId);
        if (found != sessions_.end() && found->second.serial == serial) {
            replaced = found->second.connection;
        }
    }
    if (replaced) {
        replaced->Replace();
    }
}

void LiveRelay::WentOffline(const DeviceRecord& device) {
    const std::string presence = PresenceText(device, protocol::message::kPresence, false);
    const std::lock_guard lock(mutex_);
    if (sessions_.contains(device.id)) {
        return;  // it is online here after all
    }
    for (const auto& [id, session] : sessions_) {
        if (session.friends.contains(device.id)) {
            session.connection->SendPresence(device.id, presence);
        }
    }
}

void LiveRelay::BackOnline(const std::string& deviceId) {
    std::vector<std::string> friends;
    std::string presence;
    {
        const std::lock_guard lock(mutex_);
        const auto found = sessions_.find(deviceId);
        if (found == sessions_.end()) {
            return;
        }
        friends = {found->second.friends.begin(), found->second.friends.end()};
        presence = PresenceText(found->second.device, protocol::message::kPresence, true);
    }
    SendToOnline(friends, presence, deviceId);
}

void LiveRelay::SendToOnline(const std::vector<std::string>& deviceIds, const std::string& message,
                             const std::string& presenceOf) {
    std::vector<std::string> elsewhere;
    {
        const std::lock_guard lock(mutex_);
        elsewhere = SendHereLocked(deviceIds, message, presenceOf);
    }
    if (presenceOf.empty()) {
        directory_.DeliverAll(elsewhere, message);
    } else {
        directory_.DeliverPresence(elsewhere, presenceOf, message);
    }
}

std::vector<std::string> LiveRelay::SendHereLocked(const std::vector<std::string>& deviceIds,
                                                   const std::string& message, const std::string& presenceOf) const {
    std::vector<std::string> elsewhere;
    for (const auto& id : deviceIds) {
        if (LiveConnection* connection = Current(id)) {
            if (presenceOf.empty()) {
                connection->Send(message);
            } else {
                connection->SendPresence(presenceOf, message);
            }
        } else {
            elsewhere.push_back(id);
        }
    }
    return elsewhere;
}

LiveConnection* LiveRelay::Current(const std::string& deviceId) const {
    const auto found = sessions_.find(deviceId);
    return found == sessions_.end() ? nullptr : found->second.connection.get();
}

}  // namespace mossquill::service
