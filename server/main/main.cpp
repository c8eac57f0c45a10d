#include "main/command_line.h"
#include "core/log_line.h"
#include "main/server_runtime.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include <sys/resource.h>

int main(int argc, char** argv) {
    using namespace mossquill::service;
    // A closed log pipe or peer must show up as a failed write, not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    // Every connection is a descriptor: take all the system allows this process.
    rlimit descriptors{};
    if (getrlimit(RLIMIT_NOFILE, &descriptors) == 0 && descriptors.rlim_cur < descriptors.rlim_max) {
        descriptors.rlim_cur = descriptors.rlim_max;
        setrlimit(RLIMIT_NOFILE, &descriptors);
    }
    try {
        const CommandLine commandLine = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (commandLine.helpRequested) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        const SystemClock clock;
        ServerRuntime runtime(commandLine.config, clock);
        runtime.Run();
        return 0;
    } catch (const UsageError& error) {
        std::fprintf(stderr, "mossquill-service: %s\n\n%s", error.what(), kUsage);
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mossquill-service: %s\n", error.what());
        return 1;
    }
}
