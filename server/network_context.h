#pragma once

#include "connection_tracker.h"
#include "http_api.h"
#include "live_relay.h"
#include "transport_limits.h"

namespace mossquill::service {

// What every connection of the service shares; lives as long as the network thread runs.
struct NetworkContext {
    HttpApi& api;
    LiveRelay& relay;
    ConnectionTracker& tracker;
    const TransportLimits& limits;
};

}  // namespace mossquill::service
