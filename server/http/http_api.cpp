#include "http/http_api.h"

#include "limits/client_prefix.h"
#include "core/credentials.h"
#include "core/field_rules.h"
#include "core/json_input.h"
#include "core/metrics.h"
#include "core/texts.h"
#include "live/wire_format.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <exception>

namespace mossquill::service {
namespace {

constexpr std::size_t kTokenLength = 64;
constexpr int kPairCodeDraws = 20;
constexpr std::string_view kBearerPrefix = "bearer ";
// Last-seen times only need day precision; marking every request would be a write each.
constexpr auto kSeenPrecision = std::chrono::hours(24);
const std::string kEveryone;

enum class Endpoint { Health, Register, Profile, PairCreate, PairClaim, Friends, RemoveFriend, LiveSession };

struct Route {
    std::string_view path;
    std::string_view method;
    Endpoint endpoint;
    bool takesId = false;  // the path is followed by one more segment, an id
};

constexpr std::array<Route, 8> kRoutes = {{
    {kHealthPath, "GET", Endpoint::Health},
    {"/v1/register", "POST", Endpoint::Register},
    {"/v1/profile", "PATCH", Endpoint::Profile},
    {"/v1/pair/create", "POST", Endpoint::PairCreate},
    {"/v1/pair/claim", "POST", Endpoint::PairClaim},
    {"/v1/friends", "GET", Endpoint::Friends},
    {"/v1/friends/", "DELETE", Endpoint::RemoveFriend, true},
    {kLiveSessionPath, "GET", Endpoint::LiveSession},
}};

bool Matches(const Route& route, std::string_view path) {
    if (!route.takesId) {
        return path == route.path;
    }
    return path.size() > route.path.size() && path.starts_with(route.path) &&
           path.find('/', route.path.size()) == std::string_view::npos;
}

// Work after a committed change may fail, but the change stands: the answer stays a
// success (a 500 would invite a retry that then fails) and the log keeps the reason.
template <class Work>
void NotifyAfterCommit(ApiResponse& response, Work&& work) {
    try {
        work();
    } catch (const std::exception& error) {
        response.logNote = std::string("committed, but friends not told: ") + error.what();
    }
}

std::string_view PathOf(std::string_view target) { return target.substr(0, target.find('?')); }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsJsonMediaType(std::string_view contentType) {
    std::string_view media = contentType.substr(0, contentType.find(';'));
    while (!media.empty() && media.back() == ' ') {
        media.remove_suffix(1);
    }
    return EqualsIgnoringCase(media, "application/json");
}

// The body as a JSON object, or the failure to answer. An empty body reads as {}.
std::variant<nlohmann::json, ApiResponse> ReadObject(const ApiRequest& request) {
    if (request.body.empty()) {
        return nlohmann::json::object();
    }
    if (!IsJsonMediaType(request.contentType)) {
        return Failure(415, texts::kNotJsonContent);
    }
    JsonInput input = ParseJsonObject(request.body);
    if (input.error != JsonInputError::None) {
        return Failure(400, DescribeJsonInputError(input.error));
    }
    return std::move(input.value);
}

const nlohmann::json* Member(const nlohmann::json& object, const char* name) {
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

}  // namespace

bool IsLiveSessionTarget(std::string_view target) { return PathOf(target) == kLiveSessionPath; }

bool IsHealthCheck(std::string_view method, std::string_view target) {
    return method == "GET" && PathOf(target) == kHealthPath;
}

HttpApi::HttpApi(Store& store, const Clock& clock, const ServiceLimits& limits, LiveRelay& relay,
                 const LimiterFactory& limiters)
    : store_(store),
      clock_(clock),
      limits_(limits),
      relay_(relay),
      credentials_(limits.credentialCacheDevices, limits.credentialCacheLifetime),
      registrationsPerAddress_(limiters("register-address", limits.registrationsPerAddress, limits.registrationWindow)),
      registrationsPerPrefix_(limiters("register-prefix",
                                       limits.registrationsPerAddress * kRegistrationsPerPrefixFactor,
                                       limits.registrationWindow)),
      registrationsOverall_(limiters("register-all", limits.registrationsPerAddress * kRegistrationsOverallFactor,
                                     limits.registrationWindow)),
      authFailuresPerPrefix_(limiters("auth-prefix", limits.authFailuresPerPrefix, limits.authFailureWindow)),
      claimBudget_(limits, limiters),
      friendListReads_(limiters("friend-list", limits.friendListReadsPerDevice, limits.friendListWindow)),
      liveSessionStarts_(limiters("live-start", limits.liveSessionsPerDevice, limits.liveSessionWindow)),
      changes_(limiters("change", limits.changesPerDevice, limits.changeWindow)),
      health_(store, relay, clock, limits) {}

ApiResponse HttpApi::Handle(const ApiRequest& request) {
    try {
        return Route(request);
    } catch (const StorageUnavailable& error) {
        return StorageAway(error);
    } catch (const std::exception& error) {
        return InternalFailure(error);
    }
}

std::variant<LiveAdmission, ApiResponse> HttpApi::AdmitLiveSession(const ApiRequest& request) {
    try {
        if (!SameDigest(request.appKey, kApplicationKey)) {
            return Failure(403, texts::kWrongAppKey);
        }
        // The session's record of the device is what its visits show: read as stored.
        auto authenticated = Authenticate(request, true);
        if (auto* refusal = std::get_if<ApiResponse>(&authenticated)) {
            return std::move(*refusal);
        }
        DeviceRecord& device = std::get<DeviceCredentials>(authenticated).device;
        // Every session start tells all online friends about it; a client that keeps
        // reconnecting must not turn that into a flood.
        if (!liveSessionStarts_->TryTake(device.id, clock_.Now())) {
            ApiResponse refusal = Refused(Refusal::SessionStarts, texts::kTooManyConnections);
            refusal.deviceId = device.id;
            return refusal;
        }
        std::vector<DeviceRecord> friends = store_.FriendsOf(device.id);
        return LiveAdmission{std::move(device), std::move(friends)};
    } catch (const StorageUnavailable& error) {
        return StorageAway(error);
    } catch (const std::exception& error) {
        return InternalFailure(error);
    }
}

ApiResponse HttpApi::Route(const ApiRequest& request) {
    const std::string_view path = PathOf(request.target);
    const auto route =
        std::find_if(kRoutes.begin(), kRoutes.end(), [&](const auto& candidate) { return Matches(candidate, path); });
    if (route == kRoutes.end()) {
        return Failure(404, texts::kNotFound);
    }
    if (request.method != route->method) {
        return Failure(405, texts::kMethodNotAllowed);
    }
    if (route->endpoint == Endpoint::Health) {
        return health_.Answer(request.peerAddress);
    }
    if (!SameDigest(request.appKey, kApplicationKey)) {
        return Failure(403, texts::kWrongAppKey);
    }
    if (route->endpoint == Endpoint::Register) {
        return Register(request);
    }

    // A profile change compares with the stored profile, which another instance may have changed.
    auto authenticated = Authenticate(request, route->endpoint == Endpoint::Profile);
    if (auto* refusal = std::get_if<ApiResponse>(&authenticated)) {
        return std::move(*refusal);
    }
    const auto& credentials = std::get<DeviceCredentials>(authenticated);
    const DeviceRecord& device = credentials.device;
    const bool isChange = route->endpoint == Endpoint::Profile || route->endpoint == Endpoint::PairCreate ||
                          route->endpoint == Endpoint::RemoveFriend;
    if (isChange && !changes_->TryTake(device.id, clock_.Now())) {
        ApiResponse refusal = Refused(Refusal::Changes, texts::kTooManyChanges);
        refusal.deviceId = device.id;
        return refusal;
    }
    ApiResponse response;
    switch (route->endpoint) {
    case Endpoint::Profile:
        response = UpdateProfile(device, request);
        break;
    case Endpoint::PairCreate:
        response = CreatePairCode(device, request);
        break;
    case Endpoint::PairClaim:
        response = ClaimPairCode(credentials, request);
        break;
    case Endpoint::Friends:
        response = ListFriends(device);
        break;
    case Endpoint::RemoveFriend:
        response = RemoveFriend(device, path.substr(route->path.size()));
        break;
    case Endpoint::LiveSession:
        response = Failure(426, texts::kWebSocketRequired);
        break;
    case Endpoint::Health:
    case Endpoint::Register:
        break;
    }
    response.deviceId = device.id;
    return response;
}

std::size_t HttpApi::ExpireDevices(TimePoint now, const DeviceExpiry& expiry) {
    const std::size_t expired = store_.ExpireDevices(now, expiry);
    if (expired > 0) {
        credentials_.ForgetAll();
    }
    return expired;
}

std::variant<DeviceCredentials, ApiResponse> HttpApi::Authenticate(const ApiRequest& request, bool fresh) {
    // Credentials come first: a device that proves itself is never refused because of
    // what other hosts of its network did. Failures count against every network width
    // the failing address belongs to, and once one of them is spent its failures get 429.
    const TimePoint now = clock_.Now();
    const auto refuse = [&] {
        const std::vector<std::string> networks = ClientNetworks(request.peerAddress);
        const bool spent = std::any_of(networks.begin(), networks.end(), [&](const std::string& network) {
            return authFailuresPerPrefix_->IsExhausted(network, now);
        });
        if (spent) {
            return Refused(Refusal::AuthFailures, texts::kTooManyAttempts);
        }
        for (const std::string& network : networks) {
            authFailuresPerPrefix_->Record(network, now);
        }
        return Failure(401, texts::kBadIdentity);
    };
    const std::string_view authorization = request.authorization;
    const bool bearer = authorization.size() > kBearerPrefix.size() &&
                        EqualsIgnoringCase(authorization.substr(0, kBearerPrefix.size()), kBearerPrefix);
    const std::string_view token = bearer ? authorization.substr(kBearerPrefix.size()) : std::string_view();
    if (request.deviceId.empty() || request.deviceId.size() > kMaxDeviceIdLength || token.size() != kTokenLength) {
        return refuse();
    }
    const std::string digest = TokenDigest(token);
    std::optional<DeviceCredentials> credentials;
    if (!fresh) {
        credentials = credentials_.Verified(request.deviceId, digest, now);
    }
    if (credentials) {
        Metrics().credentialsCached.Add();
    } else {
        // A wrong token is never settled from memory; the device's entry stays, so that
        // failures cannot push a device out of the cache.
        credentials = store_.FindCredentials(request.deviceId);
        if (!credentials) {
            credentials_.Forget(request.deviceId);
            return refuse();
        }
        if (!SameDigest(digest, credentials->tokenDigest)) {
            return refuse();
        }
        credentials_.Remember(*credentials, now);
    }
    if (now - credentials->lastSeenAt >= kSeenPrecision) {
        store_.MarkSeen(credentials->device.id, now);
        credentials->lastSeenAt = now;
        credentials_.Remember(*credentials, now);
    }
    return std::move(*credentials);
}

ApiResponse HttpApi::Register(const ApiRequest& request) {
    auto body = ReadObject(request);
    if (auto* refusal = std::get_if<ApiResponse>(&body)) {
        return std::move(*refusal);
    }
    const TextField nickname = CheckNickname(Member(std::get<nlohmann::json>(body), "nickname"));
    if (!nickname.error.empty()) {
        return Failure(400, nickname.error);
    }
    const TimePoint now = clock_.Now();
    const std::string address(request.peerAddress);
    const std::string prefix = ClientPrefix(address);
    if (registrationsPerAddress_->IsExhausted(address, now) || registrationsPerPrefix_->IsExhausted(prefix, now)) {
        return Refused(Refusal::Registrations, texts::kTooManyRegistrations);
    }
    if (registrationsOverall_->IsExhausted(kEveryone, now)) {
        ApiResponse refusal = Refused(Refusal::Registrations, texts::kTooManyRegistrations);
        refusal.logNote = "registrations of everybody at their limit";
        return refusal;
    }
    registrationsPerAddress_->Record(address, now);
    registrationsPerPrefix_->Record(prefix, now);
    registrationsOverall_->Record(kEveryone, now);
    const DeviceRecord device{NewDeviceId(), nickname.value, 0};
    const std::string token = NewToken();
    const std::string digest = TokenDigest(token);
    store_.AddDevice(device, digest, now);
    // A pet asks for its friends and a session right after registering.
    credentials_.Remember({device, digest, now, now}, now);
    nlohmann::json answer = DeviceJson(device);
    answer["token"] = token;
    ApiResponse response = Success(201, {{"device", answer}});
    response.deviceId = device.id;
    return response;
}

ApiResponse HttpApi::UpdateProfile(const DeviceRecord& device, const ApiRequest& request) {
    auto body = ReadObject(request);
    if (auto* refusal = std::get_if<ApiResponse>(&body)) {
        return std::move(*refusal);
    }
    const auto& fields = std::get<nlohmann::json>(body);
    const nlohmann::json* nicknameMember = Member(fields, "nickname");
    const nlohmann::json* appearanceMember = Member(fields, "appearance");
    if (nicknameMember == nullptr && appearanceMember == nullptr) {
        return Failure(400, texts::kProfileEmpty);
    }

    DeviceRecord updated = device;
    if (nicknameMember != nullptr) {
        const TextField nickname = CheckNickname(nicknameMember);
        if (!nickname.error.empty()) {
            return Failure(400, nickname.error);
        }
        updated.nickname = nickname.value;
    }
    if (appearanceMember != nullptr) {
        const AppearanceField appearance = CheckAppearance(*appearanceMember);
        if (!appearance.error.empty()) {
            return Failure(400, appearance.error);
        }
        updated.appearance = appearance.value;
    }

    ApiResponse response = Success(200, {{"device", DeviceJson(updated)}});
    // The client reports its appearance after every reconnect; only real changes
    // are worth a write and a notice to the friends.
    if (updated.nickname != device.nickname || updated.appearance != device.appearance) {
        store_.UpdateProfile(updated);
        credentials_.Forget(updated.id);
        NotifyAfterCommit(response, [&] { relay_.NotifyProfileChanged(updated, store_.FriendsOf(updated.id)); });
    }
    return response;
}

ApiResponse HttpApi::CreatePairCode(const DeviceRecord& device, const ApiRequest& request) {
    auto body = ReadObject(request);
    if (auto* refusal = std::get_if<ApiResponse>(&body)) {
        return std::move(*refusal);
    }
    const TimePoint now = clock_.Now();
    for (int draw = 0; draw < kPairCodeDraws; ++draw) {
        const std::string code = NewPairCode();
        if (store_.ReplacePairCode(device.id, code, now + limits_.pairCodeLifetime, now)) {
            const auto lifetime = std::chrono::duration_cast<std::chrono::seconds>(limits_.pairCodeLifetime);
            return Success(200, {{"code", code}, {"expires_in", lifetime.count()}});
        }
    }
    return Failure(503, texts::kCodesExhausted);
}

ApiResponse HttpApi::ClaimPairCode(const DeviceCredentials& claimer, const ApiRequest& request) {
    auto body = ReadObject(request);
    if (auto* refusal = std::get_if<ApiResponse>(&body)) {
        return std::move(*refusal);
    }
    const nlohmann::json* code = Member(std::get<nlohmann::json>(body), "code");
    if (code == nullptr || !code->is_string() || !IsPairCodeFormat(code->get_ref<const std::string&>())) {
        return Failure(400, texts::kCodeFormat);
    }

    const DeviceRecord& device = claimer.device;
    const TimePoint now = clock_.Now();
    switch (claimBudget_.Check(device.id, claimer.registeredAt, request.peerAddress, now)) {
    case ClaimBudget::Verdict::Spent:
        return Refused(Refusal::ClaimFailures, texts::kTooManyAttempts);
    case ClaimBudget::Verdict::CeilingReached: {
        ApiResponse refusal = Refused(Refusal::ClaimFailures, texts::kTooManyAttempts);
        refusal.logNote = "failed claims of everybody at their ceiling: a guessing flood from many networks";
        return refusal;
    }
    case ClaimBudget::Verdict::Allowed:
        break;
    }
    const ClaimOutcome outcome =
        store_.ClaimPairCode(device.id, code->get_ref<const std::string&>(), now, limits_.maxFriends);
    switch (outcome.result) {
    case ClaimResult::InvalidCode:
        claimBudget_.RecordFailure(device.id, claimer.registeredAt, request.peerAddress, now);
        return Failure(404, texts::kCodeInvalid);
    case ClaimResult::OwnCode:
        return Failure(409, texts::kOwnCode);
    case ClaimResult::AlreadyFriends:
        return Failure(409, texts::kAlreadyFriends);
    case ClaimResult::FriendLimit:
        return Failure(409, texts::kFriendLimit);
    case ClaimResult::Claimed:
        break;
    }
    const DeviceRecord& owner = outcome.owner;
    ApiResponse response = Success(200, {{"friend", FriendJson(owner, relay_.IsOnline(owner.id))}});
    NotifyAfterCommit(response, [&] { relay_.NotifyFriendAdded(device, owner); });
    return response;
}

ApiResponse HttpApi::ListFriends(const DeviceRecord& device) {
    if (!friendListReads_->TryTake(device.id, clock_.Now())) {
        return Refused(Refusal::Changes, texts::kTooManyChanges);
    }
    const std::vector<DeviceRecord> records = store_.FriendsOf(device.id);
    const std::vector<bool> online = relay_.AreOnline(IdsOf(records));
    nlohmann::json friends = nlohmann::json::array();
    for (std::size_t i = 0; i < records.size(); ++i) {
        friends.push_back(FriendJson(records[i], online[i]));
    }
    return Success(200, {{"friends", friends}});
}

ApiResponse HttpApi::RemoveFriend(const DeviceRecord& device, std::string_view friendId) {
    // An id longer than any device's names nobody; it is not looked up.
    if (friendId.size() > kMaxDeviceIdLength || !store_.RemoveFriendship(device.id, friendId)) {
        return Failure(404, texts::kNotAFriend);
    }
    ApiResponse response = Success(200, {{"removed", std::string(friendId)}});
    NotifyAfterCommit(response, [&] {
        if (const std::optional<DeviceRecord> former = store_.FindDevice(friendId)) {
            relay_.NotifyFriendRemoved(device, *former);
        }
    });
    return response;
}

}  // namespace mossquill::service
