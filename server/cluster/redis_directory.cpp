#include "cluster/redis_directory.h"

#include "core/credentials.h"
#include "core/json_input.h"
#include "core/log_line.h"
#include "live/wire_format.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <span>
#include <utility>

namespace mossquill::service {
namespace {

const std::string kSessionPrefix = "mossquill:session:";
const std::string kDevicePrefix = "mossquill:device:";
const std::string kInstancePrefix = "mossquill:instance:";
// Events of the session keys in database 0, the one the service uses.
const std::string kSessionEvents = "__keyspace@0__:" + kSessionPrefix;
constexpr std::size_t kRenewBatch = 1000;
// Releases and deliveries waiting for Redis at most; beyond, a delivery counts as failed.
constexpr std::size_t kQueueCapacity = 100000;
// Deliveries sent in one pipelined batch at most, so that none waits long behind a burst.
constexpr std::size_t kDeliveryBatch = 256;

// KEYS: session, device; ARGV: owner, presence ms, device ms, nickname, appearance.
// Answers the previous owner, if any.
constexpr const char* kClaimScript = R"(
local previous = redis.call('GET', KEYS[1])
redis.call('SET', KEYS[1], ARGV[1], 'PX', ARGV[2])
redis.call('HSET', KEYS[2], 'nickname', ARGV[4], 'appearance', ARGV[5])
redis.call('PEXPIRE', KEYS[2], ARGV[3])
return previous
)";

// KEYS: session, device; ARGV: owner. 1 when the session was still the owner's.
constexpr const char* kReleaseScript = R"(
if redis.call('GET', KEYS[1]) ~= ARGV[1] then return 0 end
redis.call('DEL', KEYS[1], KEYS[2])
return 1
)";

// As kClaimScript's arguments. 1: renewed; 0: another session owns the device now;
// 2: the session had lapsed and holds again.
constexpr const char* kRenewScript = R"(
local current = redis.call('GET', KEYS[1])
if current == ARGV[1] then
  redis.call('PEXPIRE', KEYS[1], ARGV[2])
  redis.call('PEXPIRE', KEYS[2], ARGV[3])
  return 1
end
if current then return 0 end
redis.call('SET', KEYS[1], ARGV[1], 'PX', ARGV[2])
redis.call('HSET', KEYS[2], 'nickname', ARGV[4], 'appearance', ARGV[5])
redis.call('PEXPIRE', KEYS[2], ARGV[3])
return 2
)";

// KEYS: device; ARGV: nickname, appearance. Only an online device has the key.
constexpr const char* kProfileScript = R"(
if redis.call('EXISTS', KEYS[1]) == 0 then return 0 end
redis.call('HSET', KEYS[1], 'nickname', ARGV[1], 'appearance', ARGV[2])
return 1
)";

// KEYS: session, device. The device's nickname and appearance once its session has
// lapsed; nothing when it is online again or no longer known.
constexpr const char* kLapsedScript = R"(
if redis.call('EXISTS', KEYS[1]) == 1 then return false end
return redis.call('HMGET', KEYS[2], 'nickname', 'appearance')
)";

// Looks up the owners of a batch of deliveries and publishes one note to each instance
// holding any of them, in one round trip. KEYS: the deliveries' session keys; ARGV: this
// instance, the channel prefix, the note header, then each delivery's record. Answers per
// delivery 1 when a listener took its note. A refused publish fails its own note only.
constexpr const char* kDeliverScript = R"(
local notes, members, order = {}, {}, {}
for i, key in ipairs(KEYS) do
  local owner = redis.call('GET', key)
  local instance = owner and string.match(owner, '^(.*):')
  if instance and instance ~= ARGV[1] then
    if not notes[instance] then
      notes[instance], members[instance] = {ARGV[3]}, {}
      table.insert(order, instance)
    end
    table.insert(notes[instance], ARGV[3 + i])
    table.insert(members[instance], i)
  end
end
local delivered = {}
for i = 1, #KEYS do delivered[i] = 0 end
for _, instance in ipairs(order) do
  local listeners = redis.pcall('PUBLISH', ARGV[2] .. instance, table.concat(notes[instance]))
  if type(listeners) == 'number' and listeners > 0 then
    for _, i in ipairs(members[instance]) do delivered[i] = 1 end
  end
end
return delivered
)";

std::string InstanceOfOwner(const std::string& owner) { return owner.substr(0, owner.rfind(':')); }

RedisCommand ClaimArguments(const char* script, const DeviceRecord& device, const std::string& owner,
                            std::chrono::milliseconds presenceTtl) {
    return {"EVAL",
            script,
            "2",
            kSessionPrefix + device.id,
            kDevicePrefix + device.id,
            owner,
            std::to_string(presenceTtl.count()),
            std::to_string(2 * presenceTtl.count()),
            device.nickname,
            std::to_string(device.appearance)};
}

// Redis must announce expired keys on the keys' own channels (notify-keyspace-events "K"
// and "x"), which lets each instance hear of session keys only; other flags already set
// are kept.
void EnableExpiryEvents(RedisClient& redis) {
    redis.Run({"PING"});  // an unreachable server is reported as it is
    try {
        const RedisReply current = redis.Run({"CONFIG", "GET", "notify-keyspace-events"});
        std::string flags = current.Size() == 2 ? current.Element(1).Text().value_or("") : "";
        const bool hasExpired = flags.find('x') != std::string::npos || flags.find('A') != std::string::npos;
        if (flags.find('K') != std::string::npos && hasExpired) {
            return;
        }
        flags += hasExpired ? "K" : "Kx";
        redis.Run({"CONFIG", "SET", "notify-keyspace-events", flags});
    } catch (const RedisError& error) {
        throw RedisError(std::string(error.what()) +
                         " (the service needs key expiry events: start Redis with notify-keyspace-events Kx)");
    }
}

}  // namespace

RedisDirectory::RedisDirectory(RedisClient& redis, std::chrono::milliseconds presenceTtl)
    : redis_(redis),
      presenceTtl_(presenceTtl),
      instance_(NewDeviceId().substr(0, 16)),
      queue_(kQueueCapacity, [this] { SendDeliveries(); }) {
    EnableExpiryEvents(redis_);
}

RedisDirectory::~RedisDirectory() { Stop(); }

void RedisDirectory::Start(PeerEvents& events) {
    events_ = &events;
    subscriber_ = std::make_unique<RedisSubscriber>(
        redis_, std::vector<std::string>{kInstancePrefix + instance_}, std::vector<std::string>{kSessionEvents + "*"},
        [this] { EnableExpiryEvents(redis_); },
        [this](const std::string& channel, const std::string& message) { OnMessage(channel, message); });
    subscriber_->Start();
    renewer_ = std::thread([this] { RenewLoop(); });
    LogEvent("cluster_joined", {{"instance", instance_}, {"redis", redis_.Address()}});
}

void RedisDirectory::Stop() {
    {
        const std::lock_guard lock(renewMutex_);
        stopping_ = true;
    }
    renewWake_.notify_all();
    if (renewer_.joinable()) {
        renewer_.join();
    }
    queue_.Stop();  // the releases of the last sessions still go out
    if (subscriber_) {
        subscriber_->Stop();
    }
}

void RedisDirectory::Check() {
    // Health is answered on the storage thread, which must not wait for a silent server: the
    // PING takes the queue, and the answer is what Redis last said.
    PostInOrder([this] {
        try {
            redis_.Run({"PING"});
        } catch (const RedisError&) {
            // the client has logged the outage
        }
    });
    if (!redis_.Reachable()) {
        throw RedisError("Redis at " + redis_.Address() + " does not answer");
    }
}

bool RedisDirectory::Claim(const DeviceRecord& device, std::uint64_t serial) {
    std::optional<std::string> previous;
    {
        const std::lock_guard lock(heldMutex_);
        held_[device.id] = {serial, device};
        try {
            previous = redis_.Run(ClaimArguments(kClaimScript, device, Owner(serial), presenceTtl_)).Text();
        } catch (const RedisError&) {
            return false;  // held here alone; the next renewal that reaches Redis claims it
        }
    }
    if (!previous) {
        return false;
    }
    const std::string instance = InstanceOfOwner(*previous);
    if (instance != instance_) {
        try {
            const std::string serialText = previous->substr(instance.size() + 1);
            Publish(instance, {{"replace", device.id}, {"serial", std::stoull(serialText)}});
        } catch (const std::exception& error) {
            // The claim stands; the older session's instance notices it when it renews.
            LogEvent("replacement_not_announced", {{"device", device.id}, {"error", error.what()}});
        }
    }
    return true;
}

void RedisDirectory::Release(const std::string& deviceId, std::uint64_t serial, std::function<void()> wentOffline) {
    {
        const std::lock_guard lock(heldMutex_);
        const auto found = held_.find(deviceId);
        if (found != held_.end() && found->second.serial == serial) {
            held_.erase(found);
        }
    }
    auto release = [this, deviceId, serial, wentOffline = std::move(wentOffline)] {
        bool wasCurrent = true;  // without Redis: as far as this instance knows
        try {
            wasCurrent = redis_
                             .Run({"EVAL", kReleaseScript, "2", kSessionPrefix + deviceId, kDevicePrefix + deviceId,
                                   Owner(serial)})
                             .Integer() == 1;
        } catch (const RedisError&) {}
        if (wasCurrent) {
            wentOffline();
        }
    };
    if (!PostInOrder(release)) {
        release();  // stopped or flooded: a late release beats a session left for the expiry
    }
}

std::vector<bool> RedisDirectory::OnlineElsewhere(const std::vector<std::string>& deviceIds) {
    std::vector<bool> online(deviceIds.size(), false);
    try {
        const std::vector<std::string> instances = InstancesOf(deviceIds);
        for (std::size_t i = 0; i < instances.size(); ++i) {
            online[i] = !instances[i].empty() && instances[i] != instance_;
        }
    } catch (const RedisError&) {
        // Other instances cannot be asked: their devices count as offline.
    }
    return online;
}

void RedisDirectory::Deliver(const std::string& deviceId, std::string text, std::function<void()> undelivered) {
    auto hold = [this, delivery = Delivery{deviceId, std::move(text), undelivered}]() mutable {
        pending_.push_back(std::move(delivery));
        if (pending_.size() >= kDeliveryBatch) {
            SendDeliveries();
        }
    };
    if (!queue_.Post(std::move(hold))) {
        undelivered();
    }
}

bool RedisDirectory::PostInOrder(std::function<void()> job) {
    return queue_.Post([this, job = std::move(job)] {
        SendDeliveries();
        job();
    });
}

void RedisDirectory::SendDeliveries() {
    std::vector<Delivery> batch = std::exchange(pending_, {});
    if (batch.empty()) {
        return;
    }
    // One script call per part of the batch whose records fit one note, so that no note
    // the script puts together can outgrow the bound; normally the whole batch.
    const std::string header = DeliveryNoteWriter().Note();
    struct Part {
        std::vector<std::string> keys;
        std::vector<std::string> records;
        std::vector<std::size_t> deliveries;
        std::size_t bytes = 0;
    };
    std::vector<Part> parts;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        std::string record = DeliveryNoteWriter::Record(std::span(&batch[i].deviceId, 1), batch[i].text);
        if (header.size() + record.size() > kMaxNoteBytes) {
            continue;  // too large for any note: undelivered
        }
        if (parts.empty() || header.size() + parts.back().bytes + record.size() > kMaxNoteBytes) {
            parts.emplace_back();
        }
        Part& part = parts.back();
        part.bytes += record.size();
        part.keys.push_back(kSessionPrefix + batch[i].deviceId);
        part.records.push_back(std::move(record));
        part.deliveries.push_back(i);
    }
    std::vector<RedisCommand> calls;
    calls.reserve(parts.size());
    for (auto& part : parts) {
        RedisCommand call = {"EVAL", kDeliverScript, std::to_string(part.keys.size())};
        call.reserve(call.size() + part.keys.size() + 3 + part.records.size());
        std::move(part.keys.begin(), part.keys.end(), std::back_inserter(call));
        call.insert(call.end(), {instance_, kInstancePrefix, header});
        std::move(part.records.begin(), part.records.end(), std::back_inserter(call));
        calls.push_back(std::move(call));
    }
    std::vector<bool> delivered(batch.size(), false);
    try {
        const std::vector<std::optional<RedisReply>> answers = redis_.RunEach(calls);
        for (std::size_t k = 0; k < parts.size(); ++k) {
            const std::vector<std::size_t>& members = parts[k].deliveries;
            for (std::size_t j = 0; answers[k] && j < members.size() && j < answers[k]->Size(); ++j) {
                delivered[members[j]] = answers[k]->Element(j).Integer() == 1;
            }
        }
    } catch (const RedisError&) {
        // Redis cannot be reached (the client has logged it): the senders hear "offline".
    }
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (!delivered[i]) {
            batch[i].undelivered();
        }
    }
}

void RedisDirectory::DeliverAll(const std::vector<std::string>& deviceIds, const std::string& text) {
    PublishToHolders(deviceIds, std::nullopt, text);
}

void RedisDirectory::DeliverPresence(const std::vector<std::string>& deviceIds, const std::string& aboutId,
                                     const std::string& text) {
    PublishToHolders(deviceIds, aboutId, text);
}

void RedisDirectory::PublishToHolders(const std::vector<std::string>& deviceIds, std::optional<std::string> about,
                                      std::string text) {
    if (deviceIds.empty()) {
        return;
    }
    PostInOrder([this, deviceIds, about = std::move(about), text = std::move(text)] {
        std::vector<std::string> instances;
        try {
            instances = InstancesOf(deviceIds);
        } catch (const RedisError&) {
            return;  // other instances cannot be reached (the client has logged it)
        }
        std::map<std::string, std::vector<std::string>> byInstance;
        for (std::size_t i = 0; i < deviceIds.size(); ++i) {
            if (!instances[i].empty() && instances[i] != instance_) {
                byInstance[instances[i]].push_back(deviceIds[i]);
            }
        }
        std::vector<RedisCommand> publishes;
        for (const auto& [instance, ids] : byInstance) {
            DeliveryNoteWriter note(about);
            note.Add(ids, text);
            publishes.push_back({"PUBLISH", kInstancePrefix + instance, note.Note()});
        }
        try {
            redis_.RunEach(publishes);
        } catch (const RedisError&) {}
    });
}

void RedisDirectory::Befriend(const std::string& deviceId, const std::string& friendId, const std::string& text) {
    const std::string instance = InstancesOf({deviceId}).front();
    if (!instance.empty() && instance != instance_) {
        Publish(instance, {{"befriend", deviceId}, {"friend", friendId}, {"text", text}});
    }
}

void RedisDirectory::Unfriend(const std::string& deviceId, const std::string& formerId, const std::string& text) {
    const std::string instance = InstancesOf({deviceId}).front();
    if (!instance.empty() && instance != instance_) {
        Publish(instance, {{"unfriend", deviceId}, {"friend", formerId}, {"text", text}});
    }
}

void RedisDirectory::ProfileChanged(const DeviceRecord& device) {
    redis_.Run(
        {"EVAL", kProfileScript, "1", kDevicePrefix + device.id, device.nickname, std::to_string(device.appearance)});
    {
        const std::lock_guard lock(heldMutex_);
        const auto found = held_.find(device.id);
        if (found != held_.end()) {
            found->second.device = device;
            return;
        }
    }
    const std::string instance = InstancesOf({device.id}).front();
    if (!instance.empty() && instance != instance_) {
        Publish(instance, {{"profile", DeviceJson(device)}});
    }
}

std::string RedisDirectory::Owner(std::uint64_t serial) const { return instance_ + ":" + std::to_string(serial); }

std::vector<std::string> RedisDirectory::InstancesOf(const std::vector<std::string>& deviceIds) {
    if (deviceIds.empty()) {
        return {};
    }
    RedisCommand command = {"MGET"};
    for (const auto& id : deviceIds) {
        command.push_back(kSessionPrefix + id);
    }
    const RedisReply owners = redis_.Run(command);
    std::vector<std::string> instances;
    instances.reserve(deviceIds.size());
    for (std::size_t i = 0; i < deviceIds.size(); ++i) {
        const std::optional<std::string> owner = owners.Element(i).Text();
        instances.push_back(owner ? InstanceOfOwner(*owner) : std::string());
    }
    return instances;
}

bool RedisDirectory::Publish(const std::string& instance, const nlohmann::json& note) {
    return redis_.Run({"PUBLISH", kInstancePrefix + instance, note.dump()}).Integer() > 0;
}

void RedisDirectory::OnMessage(const std::string& channel, const std::string& message) {
    if (!channel.starts_with(kSessionEvents)) {
        OnNote(message);
        return;
    }
    if (message != "expired") {
        return;
    }
    try {
        OnExpired(channel.substr(kSessionEvents.size()));
    } catch (const std::exception& error) {
        LogEvent("peer_message_failed", {{"channel", channel}, {"error", error.what()}});
    }
}

void RedisDirectory::OnNote(const std::string& message) {
    const NoteKind kind = KindOfNote(message);
    if (kind != NoteKind::Other) {
        if (const std::optional<DeliveryNote> note = ReadDeliveryNote(message)) {
            HandOn(*note);
            return;
        }
    } else if (message.size() <= kMaxNoteBytes && OnJsonNote(message)) {
        return;
    }
    // Another build may speak differently, or something else publishes here: a log line
    // per kind is enough to notice it, and the note is dropped.
    bool& logged = unreadableLogged_[static_cast<std::size_t>(kind)];
    if (!logged) {
        logged = true;
        static constexpr std::array<const char*, 3> kKindNames = {"deliveries", "presence", "other"};
        LogEvent("peer_note_dropped", {{"kind", kKindNames[static_cast<std::size_t>(kind)]},
                                       {"bytes", std::to_string(message.size())},
                                       {"note", "logged once per kind"}});
    }
}

void RedisDirectory::HandOn(const DeliveryNote& note) {
    // Reused from record to record: a batch of visits is many short records.
    std::vector<std::string> ids;
    std::string text;
    const std::string about(note.about);
    for (const auto& record : note.records) {
        ids.assign(note.deviceIds.begin() + static_cast<std::ptrdiff_t>(record.firstDevice),
                   note.deviceIds.begin() + static_cast<std::ptrdiff_t>(record.firstDevice + record.deviceCount));
        text.assign(record.text);
        if (note.kind == NoteKind::Presence) {
            events_->PresenceHere(ids, about, text);
        } else {
            events_->DeliverHere(ids, text);
        }
    }
}

bool RedisDirectory::OnJsonNote(const std::string& message) {
    const JsonInput input = ParseJsonObject(message);
    if (input.error != JsonInputError::None) {
        return false;
    }
    const nlohmann::json& note = input.value;
    try {
        if (note.contains("befriend")) {
            events_->BefriendHere(note.at("befriend"), note.at("friend"), note.at("text"));
        } else if (note.contains("unfriend")) {
            events_->UnfriendHere(note.at("unfriend"), note.at("friend"), note.at("text"));
        } else if (note.contains("profile")) {
            const nlohmann::json& profile = note.at("profile");
            const DeviceRecord device{profile.at("id"), profile.at("nickname"), profile.at("appearance")};
            {
                const std::lock_guard lock(heldMutex_);
                const auto found = held_.find(device.id);
                if (found != held_.end()) {
                    found->second.device = device;
                }
            }
            events_->ProfileHere(device);
        } else if (note.contains("replace")) {
            events_->ReplaceHere(note.at("replace"), note.at("serial"));
        } else {
            return false;
        }
    } catch (const nlohmann::json::exception&) {
        return false;  // a member missing or of another type
    }
    return true;
}

void RedisDirectory::OnExpired(const std::string& deviceId) {
    const RedisReply card =
        redis_.Run({"EVAL", kLapsedScript, "2", kSessionPrefix + deviceId, kDevicePrefix + deviceId});
    if (card.Size() != 2 || card.Element(0).IsNil()) {
        return;
    }
    events_->WentOffline({deviceId, *card.Element(0).Text(), std::stoi(card.Element(1).Text().value_or("0"))});
}

void RedisDirectory::RenewLoop() {
    std::unique_lock lock(renewMutex_);
    while (!renewWake_.wait_for(lock, presenceTtl_ / 3, [this] { return stopping_; })) {
        lock.unlock();
        try {
            Renew();
        } catch (const std::exception& error) {
            LogEvent("session_renewal_failed", {{"error", error.what()}});
        }
        lock.lock();
    }
}

void RedisDirectory::Renew() {
    std::vector<std::pair<std::string, std::uint64_t>> takenOver;
    std::vector<std::string> backOnline;
    {
        // Held throughout, so that no session released meanwhile is brought back.
        const std::lock_guard lock(heldMutex_);
        std::vector<const Held*> batch;
        std::vector<RedisCommand> commands;
        const auto flush = [&] {
            const std::vector<RedisReply> results = redis_.RunAll(commands);
            for (std::size_t i = 0; i < results.size(); ++i) {
                const long long result = results[i].Integer();
                if (result == 0) {
                    takenOver.emplace_back(batch[i]->device.id, batch[i]->serial);
                } else if (result == 2) {
                    backOnline.push_back(batch[i]->device.id);
                }
            }
            batch.clear();
            commands.clear();
        };
        for (const auto& [id, held] : held_) {
            batch.push_back(&held);
            commands.push_back(ClaimArguments(kRenewScript, held.device, Owner(held.serial), presenceTtl_));
            if (commands.size() == kRenewBatch) {
                flush();
            }
        }
        if (!commands.empty()) {
            flush();
        }
        for (const auto& [id, serial] : takenOver) {
            held_.erase(id);
        }
    }
    // A newer session whose notice did not arrive: this one closes all the same.
    for (const auto& [id, serial] : takenOver) {
        events_->ReplaceHere(id, serial);
    }
    for (const auto& id : backOnline) {
        LogEvent("session_reclaimed", {{"device", id}});
        events_->BackOnline(id);
    }
}

}  // namespace mossquill::service
