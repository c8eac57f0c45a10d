#pragma once

#include "core/clock.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
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

// The database cannot be reached or did not answer in time. Nothing was committed by the
// call that throws it; a later call connects again by itself.
class StorageUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Devices that stop coming back are forgotten: sooner when nobody would miss them.
struct DeviceExpiry {
    std::chrono::milliseconds withoutFriends = std::chrono::hours(24 * 30);
    std::chrono::milliseconds withFriends = std::chrono::hours(24 * 400);
};

// Devices, friendships and pairing codes, as the service keeps them. Every change is one
// transaction committed durably, so whatever a caller has been told succeeded survives
// a crash of the process or the machine. One object is used from one thread at a time.
class Store {
public:
    virtual ~Store() = default;

    // Reads the devices table; throws when the database cannot serve.
    virtual void Check() = 0;

    virtual void AddDevice(const DeviceRecord& device, std::string_view tokenDigest, TimePoint now) = 0;
    virtual std::optional<DeviceCredentials> FindCredentials(std::string_view deviceId) = 0;
    std::optional<DeviceRecord> FindDevice(std::string_view deviceId);

    // Nickname and appearance in one change.
    virtual void UpdateProfile(const DeviceRecord& device) = 0;

    // Records that the device was seen (used by expiry).
    virtual void MarkSeen(std::string_view deviceId, TimePoint now) = 0;

    // Deletes devices not seen within the expiry, with their friendships and codes;
    // returns how many went.
    virtual std::size_t ExpireDevices(TimePoint now, const DeviceExpiry& expiry) = 0;

    // Makes code the device's only code, valid until expiresAt. False when another
    // device holds the same code and it is still valid; the caller draws a new one.
    virtual bool ReplacePairCode(std::string_view deviceId, std::string_view code, TimePoint expiresAt,
                                 TimePoint now) = 0;

    // Uses the code once, in one transaction: on success the code is gone and the two
    // devices are friends. The rules are the same for every engine (pair_claim.cpp).
    ClaimOutcome ClaimPairCode(std::string_view claimerId, std::string_view code, TimePoint now,
                               std::size_t maxFriends);

    // Friends in the order the friendships were made.
    virtual std::vector<DeviceRecord> FriendsOf(std::string_view deviceId) = 0;
    virtual bool AreFriends(std::string_view a, std::string_view b) = 0;

    // Ends the friendship for both devices in one commit; false when they were not friends.
    virtual bool RemoveFriendship(std::string_view a, std::string_view b) = 0;

protected:
    // Rolls back unless committed.
    class Transaction {
    public:
        virtual ~Transaction() = default;
        virtual void Commit() = 0;
    };

    // The steps of a claim, each inside the transaction the claim opens with BeginClaim.
    virtual std::unique_ptr<Transaction> BeginClaim() = 0;
    // The device that holds the code while it is valid; the code stays locked until the end.
    virtual std::optional<std::string> LockCodeOwner(std::string_view code, TimePoint now) = 0;
    // Locks both devices, so that concurrent claims cannot pass the friend limit.
    virtual void LockDevices(std::string_view low, std::string_view high) = 0;
    virtual std::size_t FriendCount(std::string_view deviceId) = 0;
    virtual void AddFriendship(std::string_view low, std::string_view high, TimePoint now) = 0;
    virtual void DeleteCode(std::string_view code) = 0;
};

// The devices' ids, in the same order.
std::vector<std::string> IdsOf(const std::vector<DeviceRecord>& devices);

// "postgresql://…" opens PostgreSQL, anything else is an SQLite file.
std::unique_ptr<Store> OpenStore(const std::string& database);

TimePoint FromEpochMilliseconds(long long milliseconds);

// Friendships are stored once, with the smaller id first.
std::pair<std::string_view, std::string_view> OrderedPair(std::string_view a, std::string_view b);

}  // namespace mossquill::service
