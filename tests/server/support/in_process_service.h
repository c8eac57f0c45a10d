#pragma once

#include "manual_clock.h"
#include "main/server_config.h"
#include "main/server_runtime.h"
#include "temporary_directory.h"

#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace mossquill::service::testing {

// The service running on its own thread inside the test, on 127.0.0.1 with a free
// port, a fresh database (SQLite, or PostgreSQL: see test_database.h) and a clock the
// test moves.
class InProcessService {
public:
    explicit InProcessService(ServiceLimits limits = {}, TransportLimits transport = {},
                              std::optional<std::string> announcementJson = std::nullopt);
    ~InProcessService();

    unsigned short Port() const { return port_; }
    ManualClock& Clock() { return clock_; }
    // The SQLite file (when the tests do not run on PostgreSQL).
    std::string DatabaseFile() const { return directory_.File("service.db"); }

private:
    TemporaryDirectory directory_;
    ManualClock clock_;
    std::unique_ptr<ServerRuntime> runtime_;
    unsigned short port_ = 0;
    std::thread thread_;
};

}  // namespace mossquill::service::testing
