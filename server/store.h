#pragma once

#include "clock.h"
#include "sqlite_database.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mossquill::service {

struct DeviceRecord {
    std::string id;
    std::string nickname;
    int appearance = 0;
};

struct DeviceCredentials {
    DeviceRecord device;
    std::string tokenDigest;
};

enum class ClaimResult { Claimed, InvalidCode, OwnCode, AlreadyFriends, FriendLimit };

struct ClaimOutcome {
    ClaimResult result = ClaimResult::InvalidCode;
    std::string ownerId;  // the code's device when the claim succeeded
};

// Devices, friendships and pairing codes in SQLite. Every change is one transaction
// committed with a full sync, so whatever a caller has been told succeeded survives
// a crash of the process or the machine.
class Store {
public:
    explicit Store(const std::string& path);

    void AddDevice(const DeviceRecord& device, std::string_view tokenDigest, TimePoint now);
    std::optional<DeviceCredentials> FindCredentials(std::string_view deviceId);
    std::optional<DeviceRecord> FindDevice(std::string_view deviceId);
    void SetNickname(std::string_view deviceId, std::string_view nickname);
    void SetAppearance(std::string_view deviceId, int appearance);

    // Makes code the device's only code, valid until expiresAt. False when another
    // device holds the same code and it is still valid; the caller draws a new one.
    bool ReplacePairCode(std::string_view deviceId, std::string_view code, TimePoint expiresAt, TimePoint now);

    // Uses the code once: on success the code is gone and the two devices are friends.
    ClaimOutcome ClaimPairCode(std::string_view claimerId, std::string_view code, TimePoint now,
                               std::size_t maxFriends);

    // Friends in the order the friendships were made.
    std::vector<DeviceRecord> FriendsOf(std::string_view deviceId);
    bool AreFriends(std::string_view a, std::string_view b);

private:
    std::size_t FriendCount(std::string_view deviceId);

    SqliteDatabase database_;
};

}  // namespace mossquill::service
