#include "store/postgres_store.h"

#include "core/log_line.h"

#include <libpq-fe.h>

#include <array>
#include <cstring>
#include <vector>

namespace mossquill::service {
namespace {

constexpr int kSchemaVersion = 2;
// Any number will do, as long as every instance uses the same one.
constexpr const char* kMigrationLock = "SELECT pg_advisory_xact_lock(7310452)";

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS devices (
    id TEXT PRIMARY KEY,
    token_digest TEXT NOT NULL,
    nickname TEXT NOT NULL,
    appearance INTEGER NOT NULL DEFAULT 0 CHECK (appearance BETWEEN 0 AND 3),
    created_ms BIGINT NOT NULL,
    last_seen_ms BIGINT NOT NULL
);
CREATE INDEX IF NOT EXISTS devices_by_last_seen ON devices (last_seen_ms);
CREATE TABLE IF NOT EXISTS friendships (
    low_id TEXT NOT NULL REFERENCES devices (id) ON DELETE CASCADE,
    high_id TEXT NOT NULL REFERENCES devices (id) ON DELETE CASCADE,
    created_ms BIGINT NOT NULL,
    made BIGSERIAL,
    PRIMARY KEY (low_id, high_id),
    CHECK (low_id < high_id)
);
CREATE INDEX IF NOT EXISTS friendships_by_high ON friendships (high_id);
CREATE TABLE IF NOT EXISTS pair_codes (
    code TEXT PRIMARY KEY,
    device_id TEXT NOT NULL UNIQUE REFERENCES devices (id) ON DELETE CASCADE,
    expires_ms BIGINT NOT NULL
);
)";

// The storage thread serves every request, so no call to the database may hang it: a
// connection attempt, a statement, a transaction left open and a silent peer all end.
// Given before the URL, so a URL that names its own values wins.
constexpr std::array<const char*, 7> kTimeoutKeywords = {
    "connect_timeout",  "keepalives",       "keepalives_idle", "keepalives_interval",
    "keepalives_count", "tcp_user_timeout", "options"};
constexpr std::array<const char*, 7> kTimeoutValues = {
    "5", "1", "10", "5", "3", "10000", "-c statement_timeout=5000 -c idle_in_transaction_session_timeout=10000"};
// While the server is away, requests are refused at once instead of each waiting for a
// connection attempt of its own.
constexpr auto kReconnectPause = std::chrono::seconds(1);

// Errors that say the server is away or gave up on the statement (connection lost, shut
// down, statement time-out, out of resources), as opposed to a fault in the statement.
bool IsOutage(const pg_conn* connection, const pg_result* result) {
    if (PQstatus(connection) != CONNECTION_OK) {
        return true;
    }
    const char* state = result == nullptr ? nullptr : PQresultErrorField(result, PG_DIAG_SQLSTATE);
    if (state == nullptr) {
        return result == nullptr;
    }
    return std::strncmp(state, "08", 2) == 0 || std::strncmp(state, "53", 2) == 0 || std::strncmp(state, "57", 2) == 0;
}

// A password in the URL is on the command line, where every local user can read it.
bool UrlHasPassword(const std::string& url) {
    PQconninfoOption* options = PQconninfoParse(url.c_str(), nullptr);
    bool found = false;
    for (const PQconninfoOption* option = options; option != nullptr && option->keyword != nullptr; ++option) {
        found = found || (std::strcmp(option->keyword, "password") == 0 && option->val != nullptr && *option->val);
    }
    PQconninfoFree(options);
    return found;
}

std::string Milliseconds(TimePoint time) { return std::to_string(ToEpochMilliseconds(time)); }

// Token digests are bytes; PostgreSQL keeps them as hex text.
std::string ToHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

std::string FromHex(std::string_view hex) {
    const auto value = [](char digit) { return digit <= '9' ? digit - '0' : digit - 'a' + 10; };
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(value(hex[i]) * 16 + value(hex[i + 1]));
    }
    return bytes;
}

std::string Text(const pg_result* result, int row, int column) { return PQgetvalue(result, row, column); }

long long Integer(const pg_result* result, int row, int column) { return std::stoll(PQgetvalue(result, row, column)); }

}  // namespace

bool IsPostgresUrl(std::string_view database) {
    return database.starts_with("postgresql://") || database.starts_with("postgres://");
}

void PostgresStore::ResultFree::operator()(pg_result* result) const { PQclear(result); }

PostgresStore::PostgresStore(const std::string& url) : url_(url) {
    if (UrlHasPassword(url)) {
        LogEvent("insecure_configuration",
                 {{"warning",
                   "the --db URL holds a password that every local user can read in the process list; keep it in "
                   "the PostgreSQL password file (PGPASSFILE) instead"}});
    }
    Connect();
    // A commit must be on the server's disk before the answer goes out.
    const Result fsync = Run("SHOW fsync");
    const Result commit = Run("SHOW synchronous_commit");
    if (Text(fsync.get(), 0, 0) != "on" || Text(commit.get(), 0, 0) == "off" || Text(commit.get(), 0, 0) == "local") {
        throw PostgresError("the PostgreSQL server does not sync its commits (fsync " + Text(fsync.get(), 0, 0) +
                            ", synchronous_commit " + Text(commit.get(), 0, 0) + ")");
    }
    Transaction transaction(*this);
    Execute(kMigrationLock);
    Execute(kSchema);
    const Result version = Run("SELECT version FROM schema_version");
    if (PQntuples(version.get()) == 0) {
        Run("INSERT INTO schema_version (version) VALUES ($1)", {std::to_string(kSchemaVersion)});
    } else if (Integer(version.get(), 0, 0) > kSchemaVersion) {
        throw PostgresError("the database has a newer schema than this service knows");
    }
    transaction.Commit();
}

PostgresStore::~PostgresStore() { PQfinish(connection_); }

void PostgresStore::Connect() {
    const auto now = std::chrono::steady_clock::now();
    if (now < nextConnectAt_) {
        throw StorageUnavailable("PostgreSQL unavailable, next attempt shortly");
    }
    PQfinish(connection_);
    prepared_.clear();
    std::vector<const char*> keywords(kTimeoutKeywords.begin(), kTimeoutKeywords.end());
    std::vector<const char*> values(kTimeoutValues.begin(), kTimeoutValues.end());
    keywords.push_back("dbname");
    values.push_back(url_.c_str());
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    connection_ = PQconnectdbParams(keywords.data(), values.data(), 1);
    if (PQstatus(connection_) != CONNECTION_OK) {
        nextConnectAt_ = now + kReconnectPause;
        throw StorageUnavailable("cannot connect to PostgreSQL: " + std::string(PQerrorMessage(connection_)));
    }
}

void PostgresStore::Fail(std::string_view what, const pg_result* result) {
    std::string message = std::string(what.substr(0, 60)) + ": " + PQerrorMessage(connection_);
    if (IsOutage(connection_, result)) {
        throw StorageUnavailable(message);
    }
    throw PostgresError(message);
}

void PostgresStore::Execute(const char* sql) {
    const Result result(PQexec(connection_, sql));
    const auto status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        Fail(sql, result.get());
    }
}

PostgresStore::Result PostgresStore::Run(const char* sql, std::initializer_list<std::string> parameters) {
    // A lost connection is opened again for the next statement outside a transaction;
    // inside one, what ran before is gone and must not be followed by the rest.
    if (PQstatus(connection_) != CONNECTION_OK) {
        if (inTransaction_) {
            throw StorageUnavailable("PostgreSQL connection lost inside a transaction");
        }
        Connect();
    }
    auto found = prepared_.find(std::string_view(sql));
    if (found == prepared_.end()) {
        const std::string name = "s" + std::to_string(prepared_.size());
        const Result prepared(PQprepare(connection_, name.c_str(), sql, 0, nullptr));
        if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
            Fail(std::string("cannot prepare ") + sql, prepared.get());
        }
        found = prepared_.emplace(sql, name).first;
    }
    std::vector<const char*> values;
    for (const auto& parameter : parameters) {
        values.push_back(parameter.c_str());
    }
    Result result(PQexecPrepared(connection_, found->second.c_str(), static_cast<int>(values.size()), values.data(),
                                 nullptr, nullptr, 0));
    const auto status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        Fail(sql, result.get());
    }
    return result;
}

PostgresStore::Transaction::Transaction(PostgresStore& store) : store_(store) {
    if (PQstatus(store_.connection_) != CONNECTION_OK) {
        store_.Connect();
    }
    store_.Execute("BEGIN");
    store_.inTransaction_ = true;
}

PostgresStore::Transaction::~Transaction() {
    store_.inTransaction_ = false;
    if (open_) {
        PQclear(PQexec(store_.connection_, "ROLLBACK"));
    }
}

void PostgresStore::Transaction::Commit() {
    store_.Execute("COMMIT");
    open_ = false;
}

void PostgresStore::Check() { Run("SELECT 1 FROM devices LIMIT 1"); }

void PostgresStore::AddDevice(const DeviceRecord& device, std::string_view tokenDigest, TimePoint now) {
    Run("INSERT INTO devices (id, token_digest, nickname, appearance, created_ms, last_seen_ms) "
        "VALUES ($1, $2, $3, $4, $5, $5)",
        {device.id, ToHex(tokenDigest), device.nickname, std::to_string(device.appearance), Milliseconds(now)});
}

std::optional<DeviceCredentials> PostgresStore::FindCredentials(std::string_view deviceId) {
    const Result row =
        Run("SELECT nickname, appearance, token_digest, created_ms, last_seen_ms FROM devices "
            "WHERE id = $1",
            {std::string(deviceId)});
    if (PQntuples(row.get()) == 0) {
        return std::nullopt;
    }
    const pg_result* r = row.get();
    return DeviceCredentials{{std::string(deviceId), Text(r, 0, 0), static_cast<int>(Integer(r, 0, 1))},
                             FromHex(Text(r, 0, 2)),
                             FromEpochMilliseconds(Integer(r, 0, 3)),
                             FromEpochMilliseconds(Integer(r, 0, 4))};
}

void PostgresStore::UpdateProfile(const DeviceRecord& device) {
    Run("UPDATE devices SET nickname = $2, appearance = $3 WHERE id = $1",
        {device.id, device.nickname, std::to_string(device.appearance)});
}

void PostgresStore::MarkSeen(std::string_view deviceId, TimePoint now) {
    Run("UPDATE devices SET last_seen_ms = $2 WHERE id = $1", {std::string(deviceId), Milliseconds(now)});
}

std::size_t PostgresStore::ExpireDevices(TimePoint now, const DeviceExpiry& expiry) {
    // Friendships and codes go with their devices (ON DELETE CASCADE).
    const Result deleted =
        Run("DELETE FROM devices WHERE id IN (SELECT d.id FROM devices d WHERE d.last_seen_ms <= $2 OR "
            "(d.last_seen_ms <= $1 AND NOT EXISTS (SELECT 1 FROM friendships f WHERE f.low_id = d.id) "
            "AND NOT EXISTS (SELECT 1 FROM friendships f WHERE f.high_id = d.id)) LIMIT 1000)",
            {Milliseconds(now - expiry.withoutFriends), Milliseconds(now - expiry.withFriends)});
    return static_cast<std::size_t>(std::stoull(PQcmdTuples(deleted.get())));
}

bool PostgresStore::ReplacePairCode(std::string_view deviceId, std::string_view code, TimePoint expiresAt,
                                    TimePoint now) {
    Transaction transaction(*this);
    Run("DELETE FROM pair_codes WHERE expires_ms <= $1", {Milliseconds(now)});
    Run("DELETE FROM pair_codes WHERE device_id = $1", {std::string(deviceId)});
    const Result inserted =
        Run("INSERT INTO pair_codes (code, device_id, expires_ms) VALUES ($1, $2, $3) "
            "ON CONFLICT (code) DO NOTHING",
            {std::string(code), std::string(deviceId), Milliseconds(expiresAt)});
    if (std::string_view(PQcmdTuples(inserted.get())) != "1") {
        return false;  // rolled back: the device keeps its previous code
    }
    transaction.Commit();
    return true;
}

std::unique_ptr<Store::Transaction> PostgresStore::BeginClaim() { return std::make_unique<Transaction>(*this); }

std::optional<std::string> PostgresStore::LockCodeOwner(std::string_view code, TimePoint now) {
    const Result found = Run("SELECT device_id FROM pair_codes WHERE code = $1 AND expires_ms > $2 FOR UPDATE",
                             {std::string(code), Milliseconds(now)});
    if (PQntuples(found.get()) == 0) {
        return std::nullopt;
    }
    return Text(found.get(), 0, 0);
}

void PostgresStore::LockDevices(std::string_view low, std::string_view high) {
    // In one order, so that two claims never wait for each other's second lock.
    Run("SELECT id FROM devices WHERE id IN ($1, $2) ORDER BY id FOR UPDATE", {std::string(low), std::string(high)});
}

std::size_t PostgresStore::FriendCount(std::string_view deviceId) {
    const Result count =
        Run("SELECT COUNT(*) FROM friendships WHERE low_id = $1 OR high_id = $1", {std::string(deviceId)});
    return static_cast<std::size_t>(Integer(count.get(), 0, 0));
}

void PostgresStore::AddFriendship(std::string_view low, std::string_view high, TimePoint now) {
    Run("INSERT INTO friendships (low_id, high_id, created_ms) VALUES ($1, $2, $3)",
        {std::string(low), std::string(high), Milliseconds(now)});
}

void PostgresStore::DeleteCode(std::string_view code) {
    Run("DELETE FROM pair_codes WHERE code = $1", {std::string(code)});
}

std::vector<DeviceRecord> PostgresStore::FriendsOf(std::string_view deviceId) {
    const Result rows =
        Run("SELECT d.id, d.nickname, d.appearance FROM friendships f "
            "JOIN devices d ON d.id = CASE WHEN f.low_id = $1 THEN f.high_id ELSE f.low_id END "
            "WHERE f.low_id = $1 OR f.high_id = $1 ORDER BY f.created_ms, f.made",
            {std::string(deviceId)});
    std::vector<DeviceRecord> friends;
    for (int row = 0; row < PQntuples(rows.get()); ++row) {
        friends.push_back(
            {Text(rows.get(), row, 0), Text(rows.get(), row, 1), static_cast<int>(Integer(rows.get(), row, 2))});
    }
    return friends;
}

bool PostgresStore::AreFriends(std::string_view a, std::string_view b) {
    const auto [low, high] = OrderedPair(a, b);
    const Result row =
        Run("SELECT 1 FROM friendships WHERE low_id = $1 AND high_id = $2", {std::string(low), std::string(high)});
    return PQntuples(row.get()) > 0;
}

bool PostgresStore::RemoveFriendship(std::string_view a, std::string_view b) {
    const auto [low, high] = OrderedPair(a, b);
    const Result deleted =
        Run("DELETE FROM friendships WHERE low_id = $1 AND high_id = $2", {std::string(low), std::string(high)});
    return std::string_view(PQcmdTuples(deleted.get())) == "1";
}

}  // namespace mossquill::service
