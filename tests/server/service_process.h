#pragma once

#include "temporary_directory.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace mossquill::service::testing {

// The real mossquill-service executable as a child process on 127.0.0.1 with a free
// port; its output goes to a log file.
class ServiceProcess {
public:
    ServiceProcess(const std::string& databaseFile, const std::string& logFile,
                   const std::vector<std::string>& extraArguments = {});
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    unsigned short Port() const { return port_; }

    void Signal(int signal) const;

    // Sends the signal and waits for the process; returns its wait status.
    int SignalAndWait(int signal);

private:
    pid_t pid_ = -1;
    unsigned short port_ = 0;
};

}  // namespace mossquill::service::testing
