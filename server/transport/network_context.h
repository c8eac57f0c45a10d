#pragma once

#include "transport/connection_tracker.h"
#include "http/http_api.h"
#include "live/live_relay.h"
#include "limits/transport_limits.h"

#include <boost/asio/io_context.hpp>

namespace mossquill::service {

// What every connection of the service shares; lives as long as the network threads run.
struct NetworkContext {
    // Runs the API and so every database call and disk sync, on its own thread, away
    // from the network threads; results are posted back to each connection's strand.
    boost::asio::io_context& storage;
    HttpApi& api;
    HealthMonitor& health;  // answers health checks on the network threads
    LiveRelay& relay;
    ConnectionTracker& tracker;
    const TransportLimits& limits;
};

}  // namespace mossquill::service
