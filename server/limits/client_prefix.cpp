#include "limits/client_prefix.h"

#include <arpa/inet.h>

#include <array>
#include <cstring>

namespace mossquill::service {
namespace {

using AddressBytes = std::array<unsigned char, 16>;

constexpr std::array<int, 3> kIpv6Widths = {64, 56, 48};

enum class Family { V4, V6, None };

// Parses the address; an IPv4-mapped IPv6 address comes back as IPv4 in the first 4 bytes.
Family Parse(std::string_view address, AddressBytes& bytes) {
    const std::string text(address);
    if (inet_pton(AF_INET, text.c_str(), bytes.data()) == 1) {
        return Family::V4;
    }
    if (inet_pton(AF_INET6, text.c_str(), bytes.data()) == 1) {
        constexpr std::array<unsigned char, 12> kMappedPrefix = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
        if (std::memcmp(bytes.data(), kMappedPrefix.data(), kMappedPrefix.size()) == 0) {
            std::memmove(bytes.data(), bytes.data() + 12, 4);
            return Family::V4;
        }
        return Family::V6;
    }
    return Family::None;
}

std::string Ipv4Network(AddressBytes bytes) {
    char printed[INET_ADDRSTRLEN] = {};
    bytes[3] = 0;
    inet_ntop(AF_INET, bytes.data(), printed, sizeof printed);
    return std::string(printed) + "/24";
}

std::string Ipv6Network(AddressBytes bytes, int width) {
    char printed[INET6_ADDRSTRLEN] = {};
    const auto kept = static_cast<std::size_t>(width / 8);
    std::memset(bytes.data() + kept, 0, bytes.size() - kept);
    inet_ntop(AF_INET6, bytes.data(), printed, sizeof printed);
    return std::string(printed) + "/" + std::to_string(width);
}

}  // namespace

std::string ClientPrefix(std::string_view address) { return ClientNetworks(address).front(); }

std::vector<std::string> ClientNetworks(std::string_view address) {
    AddressBytes bytes{};
    switch (Parse(address, bytes)) {
    case Family::V4:
        return {Ipv4Network(bytes)};
    case Family::V6: {
        std::vector<std::string> networks;
        for (int width : kIpv6Widths) {
            networks.push_back(Ipv6Network(bytes, width));
        }
        return networks;
    }
    case Family::None:
        break;
    }
    return {std::string(address)};
}

}  // namespace mossquill::service
