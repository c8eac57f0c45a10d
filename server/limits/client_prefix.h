#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mossquill::service {

// The network a client address belongs to, as one household usually holds it: the /24 of an
// IPv4 address, the /64 of an IPv6 one (an IPv4-mapped address counts as IPv4). Budgets
// kept per prefix cannot be multiplied by taking more addresses from one network.
// Text that is not an address is its own prefix.
std::string ClientPrefix(std::string_view address);

// Every network an address counts against, narrowest first: the /24 of an IPv4 address; the
// /64, /56 and /48 of an IPv6 one, since one customer is given a /56 or a /48 and could
// otherwise spread over hundreds of /64s. A budget checked at each of these widths cannot be
// multiplied by moving within what one customer holds. Text that is not an address is its
// own single network.
std::vector<std::string> ClientNetworks(std::string_view address);

}  // namespace mossquill::service
