#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace mossquill::service {

// Reads the announcement file: one JSON object whose members "id" (not empty), "title",
// "message", "latest_version" and "download_url" are strings. Returns an object with
// exactly these five members; throws std::runtime_error naming the problem.
nlohmann::json LoadAnnouncement(const std::string& path);

}  // namespace mossquill::service
