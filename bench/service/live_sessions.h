// The live sessions of one thread: registered devices holding a WebSocket over TLS each,
// connecting at a bounded number at once, relaying visits between friends at a fixed rate and
// counting what arrived, when.
#pragma once

#include "device_setup.h"
#include "load_options.h"
#include "load_totals.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl/context.hpp>

#include <functional>
#include <memory>
#include <vector>

#include <openssl/ssl.h>

namespace load {

class Session;

// One thread's share of the sessions: whole friend pairs, so that a visit never leaves the
// thread that sent it. Each share has its own event loop and TLS context.
struct LoadState {
    LoadState(const Options& options, const std::vector<Identity>& devices, std::vector<SSL_SESSION*>& tickets)
        : options(options), tls(MakeClientTls(options.caFile)), devices(devices), tickets(tickets) {}

    const Options& options;
    net::io_context io{1};
    ssl::context tls;
    Totals totals;
    std::vector<Clock::time_point> sentAt;  // by visit number: when it was due
    std::vector<bool> arrived;
    std::vector<char> duringOutage;  // by visit number: 'l' local, 'x' across instances, 0 otherwise
    OutagePlan outage;
    std::size_t inFlight = 0;  // this share of the connection attempts at once
    std::size_t pendingConnects = 0;
    std::size_t nextToConnect = 0;
    std::vector<std::size_t> members;                // the devices of this share, friends side by side
    std::vector<std::shared_ptr<Session>> sessions;  // by member
    const std::vector<Identity>& devices;
    std::vector<SSL_SESSION*>& tickets;  // by device: the TLS session to resume on reconnecting
    std::function<void()> onAllConnected;
    double visitsPerSecond = 0;  // this share's part of the rate

    void ConnectAll(bool resume, std::function<void()> done);
    void ConnectMore();
    void CloseAll();
    // Sends this share's visits from the moment the hold began until it ends, then passes on
    // how many of its sessions are still open.
    void Hold(Clock::time_point began, std::function<void(std::size_t)> done);
    // Its counts with the visits that never arrived; once its loop has stopped.
    Totals Finish() const;
};

}  // namespace load
