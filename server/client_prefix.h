#pragma once

#include <string>
#include <string_view>

namespace mossquill::service {

// The network a client address belongs to, as one party usually holds it: the /24 of an
// IPv4 address, the /64 of an IPv6 one (an IPv4-mapped address counts as IPv4). Budgets
// kept per prefix cannot be multiplied by taking more addresses from one network.
// Text that is not an address is its own prefix.
std::string ClientPrefix(std::string_view address);

}  // namespace mossquill::service
