#include "service_process.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace mossquill::service::testing {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(20);

}  // namespace

ServiceProcess::ServiceProcess(const std::string& databaseFile, const std::string& logFile,
                               const std::vector<std::string>& extraArguments, const std::string& host)
    : host_(host) {
    const std::string caDirectory = MOSSQUILL_TEST_CA_DIR;
    std::vector<std::string> arguments = {
        MOSSQUILL_SERVICE_EXECUTABLE, "--listen", host + ":0", "--cert", caDirectory + "/server.pem", "--key",
        caDirectory + "/server.key",  "--db",     databaseFile};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }

    const std::regex listening("event=listening address=" + std::regex_replace(host, std::regex(R"(\.)"), R"(\.)") +
                               R"(:(\d+))");
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream file(logFile);
        std::stringstream text;
        text << file.rdbuf();
        const std::string log = text.str();
        std::smatch match;
        if (std::regex_search(log, match, listening)) {
            port_ = static_cast<unsigned short>(std::stoi(match[1]));
            return;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("service exited at start: " + log);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    SignalAndWait(SIGKILL);
    throw std::runtime_error("service did not start listening");
}

ServiceProcess::~ServiceProcess() {
    if (pid_ > 0) {
        SignalAndWait(SIGKILL);
    }
}

void ServiceProcess::Signal(int signal) const {
    if (pid_ > 0) {
        kill(pid_, signal);
    }
}

int ServiceProcess::SignalAndWait(int signal) {
    int status = 0;
    if (pid_ > 0) {
        kill(pid_, signal);
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    return status;
}

}  // namespace mossquill::service::testing
