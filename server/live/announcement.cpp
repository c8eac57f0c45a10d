#include "live/announcement.h"

#include "core/json_input.h"

#include <array>
#include <fstream>
#include <stdexcept>

namespace mossquill::service {
namespace {

constexpr std::size_t kMaxFileSize = 64 * 1024;
constexpr std::array<const char*, 5> kMembers = {"id", "title", "message", "latest_version", "download_url"};

}  // namespace

nlohmann::json LoadAnnouncement(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read announcement file " + path);
    }
    std::string text;
    text.resize(kMaxFileSize + 1);
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    if (text.size() > kMaxFileSize) {
        throw std::runtime_error("announcement file " + path + " is larger than 64 KiB");
    }
    const JsonInput input = ParseJsonObject(text);
    if (input.error != JsonInputError::None) {
        throw std::runtime_error("announcement file " + path + " is not one JSON object in UTF-8");
    }
    nlohmann::json announcement = nlohmann::json::object();
    for (const char* name : kMembers) {
        const auto member = input.value.find(name);
        if (member == input.value.end() || !member->is_string()) {
            throw std::runtime_error(std::string("announcement member \"") + name + "\" must be a string");
        }
        announcement[name] = *member;
    }
    if (announcement["id"].get_ref<const std::string&>().empty()) {
        throw std::runtime_error("announcement member \"id\" must not be empty");
    }
    return announcement;
}

}  // namespace mossquill::service
