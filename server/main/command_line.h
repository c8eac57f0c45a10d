#pragma once

#include "main/server_config.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace mossquill::service {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CommandLine {
    ServerConfig config;
    bool helpRequested = false;
};

// Reads the arguments after the program name; throws UsageError naming the problem.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// "HOST:PORT" or "[IPV6]:PORT".
ListenAddress ParseListenAddress(const std::string& text);

extern const char* const kUsage;

}  // namespace mossquill::service
