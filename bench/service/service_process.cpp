#include "service_process.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include <unistd.h>

namespace load {

namespace {

ProcessSample SampleOneProcess(int pid) {
    ProcessSample sample;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command name, which ends at the last ')'.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    double user = 0;
    double system = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            user = std::stod(field);
        } else if (index == 15) {
            system = std::stod(field);
            break;
        }
    }
    sample.cpuSeconds = (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            sample.rssKiB = std::stod(line.substr(6));
        }
    }
    return sample;
}

}  // namespace

ProcessSample SampleProcesses(const std::vector<int>& pids) {
    ProcessSample total;
    for (const int pid : pids) {
        const ProcessSample sample = SampleOneProcess(pid);
        total.cpuSeconds += sample.cpuSeconds;
        total.rssKiB += sample.rssKiB;
    }
    return total;
}

void CheckServiceDescriptors(const Options& options) {
    const std::size_t perInstance = (options.sessions + options.targets.size() - 1) / options.targets.size();
    for (const int pid : options.servicePids) {
        std::ifstream limits("/proc/" + std::to_string(pid) + "/limits");
        std::string line;
        while (std::getline(limits, line)) {
            if (line.rfind("Max open files", 0) == 0) {
                const auto soft = std::stoull(line.substr(line.find_first_of("0123456789")));
                if (soft < perInstance + kSpareDescriptors) {
                    throw std::runtime_error("service process " + std::to_string(pid) + " may open " +
                                             std::to_string(soft) + " descriptors, its " + std::to_string(perInstance) +
                                             " sessions need " + std::to_string(perInstance + kSpareDescriptors));
                }
            }
        }
    }
}

}  // namespace load
