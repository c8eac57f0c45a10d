#include "store.h"

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

// Friendships are stored once, with the smaller id first.
std::pair<std::string_view, std::string_view> Ordered(std::string_view a, std::string_view b)
{
    return a < b ? std::pair{a, b} : std::pair{b, a};
}

}  // namespace

Store::Store(const std::string& path) : database_(path)
{
    database_.Execute("PRAGMA busy_timeout = 5000");
    database_.Execute("PRAGMA journal_mode = WAL");
    // FULL: a commit is on disk before the caller hears of it, even after a power loss.
    database_.Execute("PRAGMA synchronous = FULL");
    database_.Execute("PRAGMA foreign_keys = ON");
    SqliteTransaction transaction(database_);
    database_.Execute(kSchema);
    transaction.Commit();
}

void Store::AddDevice(const DeviceRecord& device, std::string_view tokenDigest, TimePoint now)
{
    SqliteStatement insert(database_,
                           "INSERT INTO devices (id, token_digest, nickname, appearance, created_ms) "
                           "VALUES (?1, ?2, ?3, ?4, ?5)");
    insert.Bind(1, device.id).BindBlob(2, tokenDigest).Bind(3, device.nickname);
    insert.Bind(4, static_cast<long long>(device.appearance)).Bind(5, ToEpochMilliseconds(now));
    insert.Step();
}

std::optional<DeviceCredentials> Store::FindCredentials(std::string_view deviceId)
{
    SqliteStatement select(database_, "SELECT nickname, appearance, token_digest FROM devices WHERE id = ?1");
    select.Bind(1, deviceId);
    if (!select.Step()) {
        return std::nullopt;
    }
    return DeviceCredentials{
        {std::string(deviceId), select.Text(0), static_cast<int>(select.Integer(1))}, select.Blob(2)};
}

std::optional<DeviceRecord> Store::FindDevice(std::string_view deviceId)
{
    auto credentials = FindCredentials(deviceId);
    if (!credentials) {
        return std::nullopt;
    }
    return std::move(credentials->device);
}

void Store::SetNickname(std::string_view deviceId, std::string_view nickname)
{
    SqliteStatement update(database_, "UPDATE devices SET nickname = ?2 WHERE id = ?1");
    update.Bind(1, deviceId).Bind(2, nickname).Step();
}

void Store::SetAppearance(std::string_view deviceId, int appearance)
{
    SqliteStatement update(database_, "UPDATE devices SET appearance = ?2 WHERE id = ?1");
    update.Bind(1, deviceId).Bind(2, static_cast<long long>(appearance)).Step();
}

bool Store::ReplacePairCode(std::string_view deviceId, std::string_view code, TimePoint expiresAt, TimePoint now)
{
    SqliteTransaction transaction(database_);
    SqliteStatement purge(database_, "DELETE FROM pair_codes WHERE expires_ms <= ?1");
    purge.Bind(1, ToEpochMilliseconds(now)).Step();
    SqliteStatement taken(database_, "SELECT 1 FROM pair_codes WHERE code = ?1");
    if (taken.Bind(1, code).Step()) {
        return false;
    }
    SqliteStatement drop(database_, "DELETE FROM pair_codes WHERE device_id = ?1");
    drop.Bind(1, deviceId).Step();
    SqliteStatement insert(database_, "INSERT INTO pair_codes (code, device_id, expires_ms) VALUES (?1, ?2, ?3)");
    insert.Bind(1, code).Bind(2, deviceId).Bind(3, ToEpochMilliseconds(expiresAt)).Step();
    transaction.Commit();
    return true;
}

ClaimOutcome Store::ClaimPairCode(std::string_view claimerId, std::string_view code, TimePoint now,
                                  std::size_t maxFriends)
{
    SqliteTransaction transaction(database_);
    SqliteStatement select(database_, "SELECT device_id FROM pair_codes WHERE code = ?1 AND expires_ms > ?2");
    if (!select.Bind(1, code).Bind(2, ToEpochMilliseconds(now)).Step()) {
        return {ClaimResult::InvalidCode, {}};
    }
    std::string ownerId = select.Text(0);
    if (ownerId == claimerId) {
        return {ClaimResult::OwnCode, {}};
    }
    if (AreFriends(claimerId, ownerId)) {
        return {ClaimResult::AlreadyFriends, {}};
    }
    if (FriendCount(claimerId) >= maxFriends || FriendCount(ownerId) >= maxFriends) {
        return {ClaimResult::FriendLimit, {}};
    }
    const auto [low, high] = Ordered(claimerId, ownerId);
    SqliteStatement insert(database_, "INSERT INTO friendships (low_id, high_id, created_ms) VALUES (?1, ?2, ?3)");
    insert.Bind(1, low).Bind(2, high).Bind(3, ToEpochMilliseconds(now)).Step();
    SqliteStatement consume(database_, "DELETE FROM pair_codes WHERE code = ?1");
    consume.Bind(1, code).Step();
    transaction.Commit();
    return {ClaimResult::Claimed, std::move(ownerId)};
}

std::vector<DeviceRecord> Store::FriendsOf(std::string_view deviceId)
{
    SqliteStatement select(database_,
                           "SELECT d.id, d.nickname, d.appearance FROM friendships f "
                           "JOIN devices d ON d.id = CASE WHEN f.low_id = ?1 THEN f.high_id ELSE f.low_id END "
                           "WHERE f.low_id = ?1 OR f.high_id = ?1 ORDER BY f.created_ms, f.rowid");
    select.Bind(1, deviceId);
    std::vector<DeviceRecord> friends;
    while (select.Step()) {
        friends.push_back({select.Text(0), select.Text(1), static_cast<int>(select.Integer(2))});
    }
    return friends;
}

bool Store::AreFriends(std::string_view a, std::string_view b)
{
    const auto [low, high] = Ordered(a, b);
    SqliteStatement select(database_, "SELECT 1 FROM friendships WHERE low_id = ?1 AND high_id = ?2");
    return select.Bind(1, low).Bind(2, high).Step();
}

std::size_t Store::FriendCount(std::string_view deviceId)
{
    SqliteStatement select(database_, "SELECT COUNT(*) FROM friendships WHERE low_id = ?1 OR high_id = ?1");
    select.Bind(1, deviceId).Step();
    return static_cast<std::size_t>(select.Integer(0));
}

}  // namespace mossquill::service
