#include "store/sqlite_store.h"

#include <sqlite3.h>

#include <utility>

namespace mossquill::service {
namespace {

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS devices (
    id TEXT PRIMARY KEY,
    token_digest BLOB NOT NULL,
    nickname TEXT NOT NULL,
    appearance INTEGER NOT NULL DEFAULT 0 CHECK (appearance BETWEEN 0 AND 3),
    created_ms INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS friendships (
    low_id TEXT NOT NULL REFERENCES devices (id),
    high_id TEXT NOT NULL REFERENCES devices (id),
    created_ms INTEGER NOT NULL,
    PRIMARY KEY (low_id, high_id),
    CHECK (low_id < high_id)
);
CREATE INDEX IF NOT EXISTS friendships_by_high ON friendships (high_id);
CREATE TABLE IF NOT EXISTS pair_codes (
    code TEXT PRIMARY KEY,
    device_id TEXT NOT NULL UNIQUE REFERENCES devices (id),
    expires_ms INTEGER NOT NULL
);
)";

// Version 2: when each device was last seen, for expiry.
constexpr const char* kLastSeenColumn = R"(
ALTER TABLE devices ADD COLUMN last_seen_ms INTEGER NOT NULL DEFAULT 0;
UPDATE devices SET last_seen_ms = created_ms;
CREATE INDEX IF NOT EXISTS devices_by_last_seen ON devices (last_seen_ms);
)";

constexpr long long kSchemaVersion = 2;
constexpr int kSynchronousFull = 2;
constexpr std::size_t kExpiryBatch = 1000;

}  // namespace

SqliteStore::SqliteStore(const std::string& path) : database_(path), statements_(database_) {
    database_.Execute("PRAGMA busy_timeout = 5000");
    database_.Execute("PRAGMA journal_mode = WAL");
    // FULL: a commit is on disk before the caller hears of it, even after a power loss.
    database_.Execute("PRAGMA synchronous = FULL");
    database_.Execute("PRAGMA foreign_keys = ON");
    // A file system without shared memory, say, silently keeps another journal mode.
    const Durability durability = CurrentDurability();
    if (durability.journalMode != "wal" || durability.synchronous != kSynchronousFull) {
        throw SqliteError(path + ": the database does not keep WAL mode with full syncs (journal " +
                          durability.journalMode + ", synchronous " + std::to_string(durability.synchronous) + ")");
    }
    Migrate();
}

Durability SqliteStore::CurrentDurability() {
    Durability durability;
    auto mode = statements_("PRAGMA journal_mode");
    if (mode->Step()) {
        durability.journalMode = mode->Text(0);
    }
    auto synchronous = statements_("PRAGMA synchronous");
    if (synchronous->Step()) {
        durability.synchronous = static_cast<int>(synchronous->Integer(0));
    }
    return durability;
}

void SqliteStore::Check() { statements_("SELECT 1 FROM devices LIMIT 1")->Step(); }

void SqliteStore::Migrate() {
    SqliteTransaction transaction(database_);
    long long version = 0;
    {
        SqliteStatement read(database_, "PRAGMA user_version");
        if (read.Step()) {
            version = read.Integer(0);
        }
    }
    if (version < 1) {
        database_.Execute(kSchema);
    }
    if (version < 2) {
        database_.Execute(kLastSeenColumn);
    }
    if (version < kSchemaVersion) {
        database_.Execute(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
    }
    transaction.Commit();
}

void SqliteStore::AddDevice(const DeviceRecord& device, std::string_view tokenDigest, TimePoint now) {
    auto insert = statements_(
        "INSERT INTO devices (id, token_digest, nickname, appearance, created_ms, last_seen_ms) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?5)");
    insert->Bind(1, device.id).BindBlob(2, tokenDigest).Bind(3, device.nickname);
    insert->Bind(4, static_cast<long long>(device.appearance)).Bind(5, ToEpochMilliseconds(now));
    insert->Step();
}

std::optional<DeviceCredentials> SqliteStore::FindCredentials(std::string_view deviceId) {
    auto select =
        statements_("SELECT nickname, appearance, token_digest, created_ms, last_seen_ms FROM devices WHERE id = ?1");
    select->Bind(1, deviceId);
    if (!select->Step()) {
        return std::nullopt;
    }
    return DeviceCredentials{{std::string(deviceId), select->Text(0), static_cast<int>(select->Integer(1))},
                             select->Blob(2),
                             FromEpochMilliseconds(select->Integer(3)),
                             FromEpochMilliseconds(select->Integer(4))};
}

void SqliteStore::UpdateProfile(const DeviceRecord& device) {
    auto update = statements_("UPDATE devices SET nickname = ?2, appearance = ?3 WHERE id = ?1");
    update->Bind(1, device.id).Bind(2, device.nickname).Bind(3, static_cast<long long>(device.appearance)).Step();
}

void SqliteStore::MarkSeen(std::string_view deviceId, TimePoint now) {
    auto update = statements_("UPDATE devices SET last_seen_ms = ?2 WHERE id = ?1");
    update->Bind(1, deviceId).Bind(2, ToEpochMilliseconds(now)).Step();
}

std::size_t SqliteStore::ExpireDevices(TimePoint now, const DeviceExpiry& expiry) {
    SqliteTransaction transaction(database_);
    database_.Execute("CREATE TEMP TABLE IF NOT EXISTS expiring (id TEXT PRIMARY KEY); DELETE FROM expiring");
    auto select = statements_(
        "INSERT INTO expiring SELECT d.id FROM devices d WHERE d.last_seen_ms <= ?2 OR (d.last_seen_ms <= ?1 "
        "AND NOT EXISTS (SELECT 1 FROM friendships f WHERE f.low_id = d.id) "
        "AND NOT EXISTS (SELECT 1 FROM friendships f WHERE f.high_id = d.id)) LIMIT ?3");
    select->Bind(1, ToEpochMilliseconds(now - expiry.withoutFriends));
    select->Bind(2, ToEpochMilliseconds(now - expiry.withFriends));
    select->Bind(3, static_cast<long long>(kExpiryBatch)).Step();
    const auto expired = static_cast<std::size_t>(sqlite3_changes(database_.Handle()));
    if (expired > 0) {
        database_.Execute(
            "DELETE FROM pair_codes WHERE device_id IN (SELECT id FROM expiring);"
            "DELETE FROM friendships WHERE low_id IN (SELECT id FROM expiring) OR high_id IN (SELECT id FROM expiring);"
            "DELETE FROM devices WHERE id IN (SELECT id FROM expiring)");
    }
    transaction.Commit();
    return expired;
}

bool SqliteStore::ReplacePairCode(std::string_view deviceId, std::string_view code, TimePoint expiresAt,
                                  TimePoint now) {
    SqliteTransaction transaction(database_);
    statements_("DELETE FROM pair_codes WHERE expires_ms <= ?1")->Bind(1, ToEpochMilliseconds(now)).Step();
    if (statements_("SELECT 1 FROM pair_codes WHERE code = ?1")->Bind(1, code).Step()) {
        return false;
    }
    statements_("DELETE FROM pair_codes WHERE device_id = ?1")->Bind(1, deviceId).Step();
    auto insert = statements_("INSERT INTO pair_codes (code, device_id, expires_ms) VALUES (?1, ?2, ?3)");
    insert->Bind(1, code).Bind(2, deviceId).Bind(3, ToEpochMilliseconds(expiresAt)).Step();
    transaction.Commit();
    return true;
}

std::unique_ptr<Store::Transaction> SqliteStore::BeginClaim() {
    class Claim final : public Transaction {
    public:
        explicit Claim(SqliteDatabase& database) : transaction_(database) {}
        void Commit() override { transaction_.Commit(); }

    private:
        SqliteTransaction transaction_;
    };
    return std::make_unique<Claim>(database_);
}

std::optional<std::string> SqliteStore::LockCodeOwner(std::string_view code, TimePoint now) {
    auto select = statements_("SELECT device_id FROM pair_codes WHERE code = ?1 AND expires_ms > ?2");
    if (!select->Bind(1, code).Bind(2, ToEpochMilliseconds(now)).Step()) {
        return std::nullopt;
    }
    return select->Text(0);
}

void SqliteStore::AddFriendship(std::string_view low, std::string_view high, TimePoint now) {
    auto insert = statements_("INSERT INTO friendships (low_id, high_id, created_ms) VALUES (?1, ?2, ?3)");
    insert->Bind(1, low).Bind(2, high).Bind(3, ToEpochMilliseconds(now)).Step();
}

void SqliteStore::DeleteCode(std::string_view code) {
    statements_("DELETE FROM pair_codes WHERE code = ?1")->Bind(1, code).Step();
}

std::vector<DeviceRecord> SqliteStore::FriendsOf(std::string_view deviceId) {
    auto select = statements_(
        "SELECT d.id, d.nickname, d.appearance FROM friendships f "
        "JOIN devices d ON d.id = CASE WHEN f.low_id = ?1 THEN f.high_id ELSE f.low_id END "
        "WHERE f.low_id = ?1 OR f.high_id = ?1 ORDER BY f.created_ms, f.rowid");
    select->Bind(1, deviceId);
    std::vector<DeviceRecord> friends;
    while (select->Step()) {
        friends.push_back({select->Text(0), select->Text(1), static_cast<int>(select->Integer(2))});
    }
    return friends;
}

bool SqliteStore::AreFriends(std::string_view a, std::string_view b) {
    const auto [low, high] = OrderedPair(a, b);
    return statements_("SELECT 1 FROM friendships WHERE low_id = ?1 AND high_id = ?2")
        ->Bind(1, low)
        .Bind(2, high)
        .Step();
}

bool SqliteStore::RemoveFriendship(std::string_view a, std::string_view b) {
    const auto [low, high] = OrderedPair(a, b);
    statements_("DELETE FROM friendships WHERE low_id = ?1 AND high_id = ?2")->Bind(1, low).Bind(2, high).Step();
    return sqlite3_changes(database_.Handle()) > 0;
}

std::size_t SqliteStore::FriendCount(std::string_view deviceId) {
    auto select = statements_("SELECT COUNT(*) FROM friendships WHERE low_id = ?1 OR high_id = ?1");
    select->Bind(1, deviceId).Step();
    return static_cast<std::size_t>(select->Integer(0));
}

}  // namespace mossquill::service
