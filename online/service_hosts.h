// The two hosts of the online service. Both serve the same HTTPS interface on port 443; the
// relay host also carries the live session.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kServiceHostNameLength = 40;

// One host name in a fixed, NUL-padded field.
struct ServiceHost {
    wchar_t name[kServiceHostNameLength];
};

using ServiceHosts = std::array<ServiceHost, 2>;

inline constexpr std::size_t kGatewayHostIndex = 0;
inline constexpr std::size_t kRelayHostIndex = 1;
inline constexpr std::uint16_t kServicePort = 443;

// Host preference values: which host answered last.
inline constexpr std::int32_t kNoHostPreference = 0;
inline constexpr std::int32_t kPreferRelayHost = 1;
inline constexpr std::int32_t kPreferGatewayHost = 2;

// The preference value that names the host of that index.
constexpr std::int32_t HostPreferenceFor(std::size_t hostIndex) {
    return hostIndex == kGatewayHostIndex ? kPreferGatewayHost : kPreferRelayHost;
}

// Gateway first, relay second; the names are chosen when the program is configured.
extern const ServiceHosts kServiceHosts;
