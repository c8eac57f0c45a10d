#pragma once

#include "limits/service_limits.h"
#include "limits/transport_limits.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace mossquill::service {

struct ListenAddress {
    std::string host;
    unsigned short port = 0;  // 0: any free port
};

struct ServerConfig {
    std::vector<ListenAddress> listen;
    std::string certFile;
    std::string keyFile;
    std::string databaseFile;
    std::optional<std::string> announcementFile;
    // Several instances share sessions, presence and rate limits through this Redis
    // server; without it the process serves alone and keeps them in memory.
    std::optional<ListenAddress> redis;
    // A file whose first line is the Redis password; without it, MOSSQUILL_REDIS_PASSWORD
    // from the environment when set. Never on the command line itself.
    std::optional<std::string> redisPasswordFile;
    // Plain HTTP address of the metrics, for the monitoring network only.
    std::optional<ListenAddress> metrics;
    // How long the devices of an instance that stopped renewing stay online.
    std::chrono::seconds presenceTtl = std::chrono::seconds(30);
    ServiceLimits limits;
    TransportLimits transport;
    bool handleSignals = true;  // SIGTERM/SIGINT stop, SIGHUP rereads the announcement
};

}  // namespace mossquill::service
