#pragma once

#include "store/store.h"

#include <chrono>
#include <initializer_list>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

struct pg_conn;
struct pg_result;

namespace mossquill::service {

class PostgresError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

bool IsPostgresUrl(std::string_view database);

// The back end for several instances: PostgreSQL through libpq, one connection,
// statements prepared once. Claims lock the code and both devices, so two instances
// cannot make one code into two friendships. The schema version lives in the table
// schema_version; migrations run under an advisory lock, so instances may start together.
class PostgresStore final : public Store {
public:
    // Connects (a postgresql:// URL), creates or migrates the schema; throws when the
    // server does not sync its commits.
    explicit PostgresStore(const std::string& url);
    ~PostgresStore() override;

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
    std::unique_ptr<Store::Transaction> BeginClaim() override;
    std::optional<std::string> LockCodeOwner(std::string_view code, TimePoint now) override;
    void LockDevices(std::string_view low, std::string_view high) override;
    std::size_t FriendCount(std::string_view deviceId) override;
    void AddFriendship(std::string_view low, std::string_view high, TimePoint now) override;
    void DeleteCode(std::string_view code) override;

    struct ResultFree {
        void operator()(pg_result* result) const;
    };
    using Result = std::unique_ptr<pg_result, ResultFree>;

    // Runs one statement (prepared on first use) with text parameters.
    Result Run(const char* sql, std::initializer_list<std::string> parameters = {});
    void Execute(const char* sql);
    // Connects, or throws StorageUnavailable (at once within a second of a failed attempt).
    void Connect();
    // Throws StorageUnavailable when the server is away, PostgresError otherwise.
    [[noreturn]] void Fail(std::string_view what, const pg_result* result);

    // BEGIN on construction; rolls back unless committed.
    class Transaction final : public Store::Transaction {
    public:
        explicit Transaction(PostgresStore& store);
        ~Transaction() override;
        void Commit() override;

    private:
        PostgresStore& store_;
        bool open_ = true;
    };

    std::string url_;
    pg_conn* connection_ = nullptr;
    bool inTransaction_ = false;
    std::chrono::steady_clock::time_point nextConnectAt_;
    std::map<std::string, std::string, std::less<>> prepared_;  // SQL text to statement name
};

}  // namespace mossquill::service
