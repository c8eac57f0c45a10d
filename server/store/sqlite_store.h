#pragma once

#include "store/sqlite_database.h"
#include "store/store.h"

namespace mossquill::service {

// How the database keeps what it has acknowledged, as the connection reports it.
struct Durability {
    std::string journalMode;  // "wal"
    int synchronous = 0;      // 2: FULL
};

// The embedded back end: one SQLite file in WAL mode with full syncs.
class SqliteStore final : public Store {
public:
    // Opens or creates the database and brings its schema up to date; throws when WAL
    // and full syncs cannot be had.
    explicit SqliteStore(const std::string& path);

    Durability CurrentDurability();

    void Check() override;
    void AddDevice(const DeviceRecord& device, std::string_view tokenDigest, TimePoint now) override;
    std::optional<DeviceCredentials> FindCredentials(std::string_view deviceId) override;
    void UpdateProfile(const DeviceRecord& device) override;
    void MarkSeen(std::string_view deviceId, TimePoint now) override;
    std::size_t ExpireDevices(TimePoint now, const DeviceExpiry& expiry) override;
    bool ReplacePairCode(std::string_view deviceId, std::string_view code, TimePoint expiresAt, TimePoint now) override;
    std::vector<DeviceRecord> FriendsOf(std::string_view deviceId) override;
    bool AreFriends(std::string_view a, std::string_view b) override;
    bool RemoveFriendship(std::string_view a, std::string_view b) override;

private:
    std::unique_ptr<Transaction> BeginClaim() override;
    std::optional<std::string> LockCodeOwner(std::string_view code, TimePoint now) override;
    // The claim's transaction holds the database's one write lock already.
    void LockDevices(std::string_view, std::string_view) override {}
    std::size_t FriendCount(std::string_view deviceId) override;
    void AddFriendship(std::string_view low, std::string_view high, TimePoint now) override;
    void DeleteCode(std::string_view code) override;
    void Migrate();

    SqliteDatabase database_;
    SqliteStatementCache statements_;
};

}  // namespace mossquill::service
