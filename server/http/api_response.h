#pragma once

#include "core/metrics.h"
#include "store/store.h"

#include <nlohmann/json.hpp>

#include <exception>
#include <string>
#include <string_view>

namespace mossquill::service {

struct ApiResponse {
    unsigned status = 200;
    std::string body;      // JSON
    std::string deviceId;  // the authenticated device, for the log
    std::string logNote;   // why a request failed inside the service, for the log
};

// {"message": …} with the status.
ApiResponse Failure(unsigned status, std::string_view message);

// 429 for a spent limit, counted under its rule.
ApiResponse Refused(Refusal rule, std::string_view message);

ApiResponse Success(unsigned status, const nlohmann::json& body);

// A failure inside the service: the user sees a general text, the log the reason.
ApiResponse InternalFailure(const std::exception& error);

// The database is away: the client is told to come back later; nothing was committed.
ApiResponse StorageAway(const StorageUnavailable& error);

}  // namespace mossquill::service
