#include "http/api_response.h"

#include "core/texts.h"
#include "live/wire_format.h"

namespace mossquill::service {

ApiResponse Failure(unsigned status, std::string_view message) { return {status, ErrorBody(message), {}, {}}; }

ApiResponse Refused(Refusal rule, std::string_view message) {
    Metrics().Refused(rule);
    return Failure(429, message);
}

ApiResponse Success(unsigned status, const nlohmann::json& body) { return {status, ToText(body), {}, {}}; }

ApiResponse InternalFailure(const std::exception& error) {
    Metrics().storageErrors.Add();
    ApiResponse response = Failure(500, texts::kInternalError);
    response.logNote = error.what();
    return response;
}

ApiResponse StorageAway(const StorageUnavailable& error) {
    Metrics().storageErrors.Add();
    ApiResponse response = Failure(503, texts::kStorageUnavailable);
    response.logNote = error.what();
    return response;
}

}  // namespace mossquill::service
