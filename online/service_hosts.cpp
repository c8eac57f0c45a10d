#include "online/service_hosts.h"

#include <string_view>

// MOSSQUILL_GATEWAY_HOST and MOSSQUILL_RELAY_HOST are narrow string literals given by the build.
namespace {

constexpr std::wstring_view kGatewayName = L"" MOSSQUILL_GATEWAY_HOST;
constexpr std::wstring_view kRelayName = L"" MOSSQUILL_RELAY_HOST;
static_assert(!kGatewayName.empty() && kGatewayName.size() < kServiceHostNameLength,
              "the gateway host name must fit its field with a terminating NUL");
static_assert(!kRelayName.empty() && kRelayName.size() < kServiceHostNameLength,
              "the relay host name must fit its field with a terminating NUL");

}  // namespace

const ServiceHosts kServiceHosts = {{{L"" MOSSQUILL_GATEWAY_HOST}, {L"" MOSSQUILL_RELAY_HOST}}};
