#pragma once

#include <chrono>
#include <cstddef>

namespace mossquill::service {

// What one connection may cost the service; hostile clients meet these first.
struct TransportLimits {
    std::size_t maxBodyBytes = 8 * 1024;
    std::size_t maxHeaderBytes = 8 * 1024;
    std::size_t maxMessageBytes = 4 * 1024;
    std::size_t maxQueuedMessages = 256;
    // What two cores carry with room to spare (see scripts/bench-service); each one is a
    // descriptor, so the process's descriptor limit must be higher.
    std::size_t maxConnections = 20000;
    // Keep one address, and one network (/24, /64), from taking every place; generous
    // for many pets behind one NAT.
    std::size_t maxConnectionsPerAddress = 100;
    std::size_t maxConnectionsPerPrefix = 400;
    std::chrono::milliseconds handshakeTimeout = std::chrono::seconds(10);
    // Reading one request, and the pause allowed between requests of a kept-alive connection.
    std::chrono::milliseconds requestTimeout = std::chrono::seconds(15);
    // Answers without a device (health checks, refusals, registrations) one kept-alive
    // connection gets before it is closed: otherwise a request every few seconds would
    // hold a connection place for ever at no cost.
    std::size_t unauthenticatedAnswersPerConnection = 4;
    // A live session that sends nothing for this long (pongs included) is closed; a ping
    // goes out after half of it.
    std::chrono::milliseconds liveIdleTimeout = std::chrono::seconds(60);
    // Clients give up on a live session that stays silent for 30 s, so the service
    // speaks at least this often.
    std::chrono::milliseconds heartbeatInterval = std::chrono::seconds(20);
    // A session hears about one friend's presence at most once in this interval (the
    // latest state, at the end of it): each notice makes the pet fetch its friend list.
    std::chrono::milliseconds presenceNoticeInterval = std::chrono::seconds(3);
};

}  // namespace mossquill::service
