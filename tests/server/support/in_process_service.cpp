#include "in_process_service.h"

#include "test_database.h"

#include <fstream>

namespace mossquill::service::testing {

InProcessService::InProcessService(ServiceLimits limits, TransportLimits transport,
                                   std::optional<std::string> announcementJson) {
    ServerConfig config;
    config.listen.push_back({"127.0.0.1", 0});
    config.certFile = std::string(MOSSQUILL_TEST_CA_DIR) + "/server.pem";
    config.keyFile = std::string(MOSSQUILL_TEST_CA_DIR) + "/server.key";
    config.databaseFile = TestDatabase(directory_);
    config.limits = limits;
    config.transport = transport;
    config.handleSignals = false;
    if (announcementJson) {
        config.announcementFile = directory_.File("announcement.json");
        std::ofstream(*config.announcementFile) << *announcementJson;
    }
    runtime_ = std::make_unique<ServerRuntime>(config, clock_);
    port_ = runtime_->BoundAddresses().at(0).port;
    thread_ = std::thread([this] { runtime_->Run(); });
}

InProcessService::~InProcessService() {
    runtime_->Stop();
    thread_.join();
}

}  // namespace mossquill::service::testing
