#pragma once

#include "core/clock.h"
#include "main/server_config.h"

#include <memory>
#include <vector>

namespace mossquill::service {

// The whole service in one object: database, TLS, listeners and the network thread.
class ServerRuntime {
public:
    // Opens the database, loads certificate, key and announcement and binds every
    // address; throws std::exception with a readable reason when any of it fails.
    ServerRuntime(const ServerConfig& config, const Clock& clock);
    ~ServerRuntime();
    ServerRuntime(const ServerRuntime&) = delete;
    ServerRuntime& operator=(const ServerRuntime&) = delete;

    // The addresses actually bound (with the ports chosen for port 0).
    std::vector<ListenAddress> BoundAddresses() const;

    // Serves on the calling thread until stopped.
    void Run();

    // Any thread: closes the listeners and sessions and lets Run return.
    void Stop();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace mossquill::service
