// Registration and pairing of the devices, over kept-alive HTTPS connections.
#pragma once

#include "load_options.h"

#include <string>
#include <vector>

namespace load {

struct Identity {
    std::string id;
    std::string token;
};

// Registers the devices of those pairs into devices (indexed by device, sized for all) and
// makes devices 2k and 2k+1 friends, over that many connections at once; connection c comes
// from the source address and goes to the instance of device c. Throws on the first failure.
void RegisterPairs(const Options& options, PairRange pairs, std::size_t connections, std::size_t firstConnection,
                   std::vector<Identity>& devices);

}  // namespace load
