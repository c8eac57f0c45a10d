#pragma once

#include "service_limits.h"
#include "transport_limits.h"

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
    ServiceLimits limits;
    TransportLimits transport;
    bool handleSignals = true;  // SIGTERM/SIGINT stop, SIGHUP rereads the announcement
};

}  // namespace mossquill::service
