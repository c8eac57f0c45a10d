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
    TimePoint registeredAt;
    TimePoint lastSeenAt;
};

enum class ClaimResult { Claimed, InvalidCode, OwnCode, AlreadyFriends, FriendLimit };

struct ClaimOutcome {
    ClaimResult result = ClaimResult::InvalidCode;
    DeviceRecord owner;  // the code's device when the claim succeeded
};

// How the database keeps what it has acknowledged, as the connection reports it.
struct Durability {
    std::string journalMode;  // "wal"
    int synchronous = 0;      // 2: FULL
};

// Devices that stop coming back are forgotten: sooner when nobody would miss them.
struct DeviceExpiry {
    std::chrono::milliseconds withoutFriends = std::chrono::hours(24 * 30);
    std::chrono::milliseconds withFriends = std::chrono::hours(24 * 400);
};

// Devices, friendships and pairing codes in SQLite. Every change is one transaction
// committed with a full sync, so whatever a caller has been told succeeded survives
// a crash of the process or the machine. Used from one thread at a time.
class Store {
public:
    // Opens or creates the database and brings its schema up to date; throws when WAL
    // and full syncs cannot be had.
    explicit Store(const std::string& path);

    Durability CurrentDurability();

    // Reads the devices table; throws when the database cannot serve.
    void Check();

    void AddDevice(const DeviceRecord& device, std::string_view tokenDigest, TimePoint now);
    std::optional<DeviceCredentials> FindCredentials(std::string_view deviceId);
    std::optional<DeviceRecord> FindDevice(std::string_view deviceId);

    // Nickname and appearance in one change.
    void UpdateProfile(const DeviceRecord& device);

    // Records that the device was seen (used by expiry).
    void MarkSeen(std::string_view deviceId, TimePoint now);

    // Deletes devices not seen within the expiry, with their friendships and codes;
    // returns how many went.
    std::size_t ExpireDevices(TimePoint now, const DeviceExpiry& expiry);

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
    void Migrate();

    SqliteDatabase database_;
    SqliteStatementCache statements_;
};

}  // namespace mossquill::service
