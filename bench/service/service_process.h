// The service's processes as the load program sees them, read from /proc: CPU and memory at
// the phase boundaries, and whether each may open a descriptor for every session it gets.
#pragma once

#include "load_options.h"

#include <vector>

namespace load {

struct ProcessSample {
    double cpuSeconds = 0;
    double rssKiB = 0;
};

// Added up over the processes.
ProcessSample SampleProcesses(const std::vector<int>& pids);

// Throws when an instance's descriptor limit is below its share of the sessions.
void CheckServiceDescriptors(const Options& options);

}  // namespace load
