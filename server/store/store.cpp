#include "store/store.h"

#include "store/postgres_store.h"
#include "store/sqlite_store.h"

namespace mossquill::service {

std::optional<DeviceRecord> Store::FindDevice(std::string_view deviceId) {
    auto credentials = FindCredentials(deviceId);
    if (!credentials) {
        return std::nullopt;
    }
    return std::move(credentials->device);
}

std::vector<std::string> IdsOf(const std::vector<DeviceRecord>& devices) {
    std::vector<std::string> ids;
    ids.reserve(devices.size());
    for (const auto& device : devices) {
        ids.push_back(device.id);
    }
    return ids;
}

std::unique_ptr<Store> OpenStore(const std::string& database) {
    if (IsPostgresUrl(database)) {
        return std::make_unique<PostgresStore>(database);
    }
    return std::make_unique<SqliteStore>(database);
}

TimePoint FromEpochMilliseconds(long long milliseconds) { return TimePoint(std::chrono::milliseconds(milliseconds)); }

std::pair<std::string_view, std::string_view> OrderedPair(std::string_view a, std::string_view b) {
    return a < b ? std::pair{a, b} : std::pair{b, a};
}

}  // namespace mossquill::service
