#pragma once

#include "cluster/redis_client.h"
#include "temporary_directory.h"

#include <memory>
#include <string>

namespace mossquill::service::testing {

// True when MOSSQUILL_TEST_POSTGRESQL names a PostgreSQL server (postgresql://USER@HOST:PORT)
// for the tests to keep their data on, instead of SQLite files.
bool TestsUsePostgres();

// Where one test keeps its data: a fresh SQLite file in the directory, or a fresh database
// on the test PostgreSQL server.
std::string TestDatabase(const TemporaryDirectory& directory);

// The test Redis server named in MOSSQUILL_TEST_REDIS (HOST:PORT, see tests/server/with-redis),
// emptied for the test; nothing when there is none.
std::unique_ptr<RedisClient> FreshTestRedis();

}  // namespace mossquill::service::testing
