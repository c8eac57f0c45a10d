#include "test_database.h"

#include <libpq-fe.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace mossquill::service::testing {
namespace {

const char* PostgresServer() { return std::getenv("MOSSQUILL_TEST_POSTGRESQL"); }

}  // namespace

bool TestsUsePostgres() { return PostgresServer() != nullptr && *PostgresServer() != '\0'; }

std::string TestDatabase(const TemporaryDirectory& directory) {
    if (!TestsUsePostgres()) {
        return directory.File("service.db");
    }
    static std::atomic<int> counter{0};
    const std::string server = PostgresServer();
    const std::string name = "test_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
    PGconn* connection = PQconnectdb((server + "/postgres").c_str());
    PGresult* result = PQexec(connection, ("CREATE DATABASE " + name).c_str());
    const bool created = PQresultStatus(result) == PGRES_COMMAND_OK;
    const std::string error = PQerrorMessage(connection);
    PQclear(result);
    PQfinish(connection);
    if (!created) {
        throw std::runtime_error("cannot create the test database: " + error);
    }
    return server + "/" + name;
}

std::unique_ptr<RedisClient> FreshTestRedis() {
    const char* variable = std::getenv("MOSSQUILL_TEST_REDIS");
    if (variable == nullptr || *variable == '\0') {
        return nullptr;
    }
    const std::string address = variable;
    const auto colon = address.rfind(':');
    auto redis = std::make_unique<RedisClient>(address.substr(0, colon),
                                               static_cast<unsigned short>(std::stoi(address.substr(colon + 1))));
    redis->Run({"FLUSHALL"});
    return redis;
}

}  // namespace mossquill::service::testing
