#pragma once

#include "temporary_directory.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace mossquill::service::testing {

// The real mossquill-service executable as a child process on a loopback address
// (127.0.0.1 unless told) with a free port; its output goes to a log file.
class ServiceProcess {
public:
    ServiceProcess(const std::string& databaseFile, const std::string& logFile,
                   const std::vector<std::string>& extraArguments = {}, const std::string& host = "127.0.0.1");
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    unsigned short Port() const { return port_; }
    const std::string& Host() const { return host_; }

    void Signal(int signal) const;

    // Sends the signal and waits for the process; returns its wait status.
    int SignalAndWait(int signal);

private:
    std::string host_;
    pid_t pid_ = -1;
    unsigned short port_ = 0;
};

}  // namespace mossquill::service::testing
