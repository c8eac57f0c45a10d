#pragma once

#include "core/clock.h"
#include "http/api_response.h"
#include "http/credential_cache.h"
#include "http/health_monitor.h"
#include "live/live_relay.h"
#include "limits/claim_budget.h"
#include "limits/rate_limiter.h"
#include "limits/service_limits.h"
#include "store/store.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace mossquill::service {

// The parts of an HTTP request the service reads.
struct ApiRequest {
    std::string_view method;
    std::string_view target;
    std::string_view appKey;         // X-Mossquill-App-Key
    std::string_view deviceId;       // X-Mossquill-Device
    std::string_view authorization;  // Authorization
    std::string_view contentType;
    std::string_view body;
    std::string_view peerAddress;
};

inline constexpr std::string_view kApplicationKey = "5d3b8e0f71a24c96b0e7d14f2a9c63e85b07f1d2c4a98e360f5b12d7e4c9a0b6";
inline constexpr std::string_view kLiveSessionPath = "/v1/ws";
inline constexpr std::string_view kHealthPath = "/v1/health";

// An admitted live session: the device and its friends as stored, read in one trip.
struct LiveAdmission {
    DeviceRecord device;
    std::vector<DeviceRecord> friends;
};

// True when the request target (query string aside) is the live-session path.
bool IsLiveSessionTarget(std::string_view target);

// True for the load balancers' health check, GET on the health path (query string aside).
bool IsHealthCheck(std::string_view method, std::string_view target);

// The HTTPS JSON interface: application key, device authentication, registration,
// profile, pairing codes, the friend list and removing a friend. Works the database, so it runs on the
// storage thread only, one call at a time.
class HttpApi {
public:
    HttpApi(Store& store, const Clock& clock, const ServiceLimits& limits, LiveRelay& relay,
            const LimiterFactory& limiters);

    ApiResponse Handle(const ApiRequest& request);

    // The WebSocket upgrade request: the authenticated device with its friends, or the
    // refusal to send.
    std::variant<LiveAdmission, ApiResponse> AdmitLiveSession(const ApiRequest& request);

    // The health checks' answer; unlike the rest, safe to use from any thread.
    HealthMonitor& Health() { return health_; }

    // Forgets devices not seen within the expiry (see Store::ExpireDevices); returns how many went.
    std::size_t ExpireDevices(TimePoint now, const DeviceExpiry& expiry);

private:
    ApiResponse Route(const ApiRequest& request);
    // `fresh`: the device's record is read from the database even when its credentials
    // are held in memory (for calls that compare or hand on its nickname and appearance).
    std::variant<DeviceCredentials, ApiResponse> Authenticate(const ApiRequest& request, bool fresh);
    ApiResponse Register(const ApiRequest& request);
    ApiResponse UpdateProfile(const DeviceRecord& device, const ApiRequest& request);
    ApiResponse CreatePairCode(const DeviceRecord& device, const ApiRequest& request);
    ApiResponse ClaimPairCode(const DeviceCredentials& claimer, const ApiRequest& request);
    ApiResponse ListFriends(const DeviceRecord& device);
    ApiResponse RemoveFriend(const DeviceRecord& device, std::string_view friendId);

    Store& store_;
    const Clock& clock_;
    const ServiceLimits& limits_;
    LiveRelay& relay_;
    CredentialCache credentials_;
    std::unique_ptr<RateLimiter> registrationsPerAddress_;
    std::unique_ptr<RateLimiter> registrationsPerPrefix_;
    std::unique_ptr<RateLimiter> registrationsOverall_;
    std::unique_ptr<RateLimiter> authFailuresPerPrefix_;
    ClaimBudget claimBudget_;
    std::unique_ptr<RateLimiter> friendListReads_;
    std::unique_ptr<RateLimiter> liveSessionStarts_;
    std::unique_ptr<RateLimiter> changes_;
    HealthMonitor health_;
};

}  // namespace mossquill::service
