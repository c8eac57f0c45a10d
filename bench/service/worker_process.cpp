#include "worker_process.h"

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <system_error>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace load {

namespace {

std::system_error LastError(const char* what) { return {errno, std::generic_category(), what}; }

}  // namespace

MessagePipe::~MessagePipe() {
    close(readFd_);
    close(writeFd_);
}

void MessagePipe::Send(const nlohmann::json& message) {
    const std::string line = message.dump() + '\n';
    for (std::size_t written = 0; written < line.size();) {
        const ssize_t count = write(writeFd_, line.data() + written, line.size() - written);
        if (count < 0 && errno != EINTR) {
            throw LastError("writing to a worker pipe");
        }
        written += count > 0 ? static_cast<std::size_t>(count) : 0;
    }
}

nlohmann::json MessagePipe::Receive() {
    for (std::size_t end = pending_.find('\n'); end == std::string::npos; end = pending_.find('\n')) {
        char chunk[65536];
        const ssize_t count = read(readFd_, chunk, sizeof chunk);
        if (count == 0) {
            throw std::runtime_error("a worker pipe closed");
        }
        if (count < 0 && errno != EINTR) {
            throw LastError("reading a worker pipe");
        }
        pending_.append(chunk, count > 0 ? static_cast<std::size_t>(count) : 0);
    }
    const std::size_t end = pending_.find('\n');
    nlohmann::json message = nlohmann::json::parse(pending_.substr(0, end));
    pending_.erase(0, end + 1);
    return message;
}

std::vector<std::unique_ptr<WorkerProcess>> WorkerProcess::StartAll(std::size_t count,
                                                                    const std::function<Body(std::size_t)>& bodyOf) {
    std::vector<std::unique_ptr<WorkerProcess>> workers;
    for (std::size_t index = 0; index < count; ++index) {
        int toWorker[2];
        int fromWorker[2];
        if (pipe(toWorker) != 0 || pipe(fromWorker) != 0) {
            throw LastError("pipe");
        }
        std::fflush(nullptr);  // nothing buffered is printed twice
        const pid_t pid = fork();
        if (pid < 0) {
            throw LastError("fork");
        }
        if (pid == 0) {
            // The earlier workers' pipes belong to the parent alone: a copy here would keep
            // them open after the parent ended.
            for (auto& earlier : workers) {
                earlier->pid_ = 0;  // the parent's to end, not this one's
            }
            workers.clear();
            close(toWorker[1]);
            close(fromWorker[0]);
            int status = 2;
            {
                MessagePipe parent(toWorker[0], fromWorker[1]);
                status = bodyOf(index)(parent);
            }
            std::fflush(nullptr);
            _exit(status);
        }
        close(toWorker[0]);
        close(fromWorker[1]);
        workers.push_back(std::unique_ptr<WorkerProcess>(
            new WorkerProcess(pid, std::make_unique<MessagePipe>(fromWorker[0], toWorker[1]))));
    }
    return workers;
}

WorkerProcess::~WorkerProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        Wait();
    }
}

int WorkerProcess::Wait() {
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}

std::vector<nlohmann::json> Broadcast(std::vector<std::unique_ptr<WorkerProcess>>& workers,
                                      const nlohmann::json& command) {
    for (auto& worker : workers) {
        worker->Pipe().Send(command);
    }
    std::vector<nlohmann::json> replies;
    for (std::size_t index = 0; index < workers.size(); ++index) {
        replies.push_back(workers[index]->Pipe().Receive());
        if (replies.back().contains("error")) {
            throw std::runtime_error("worker " + std::to_string(index) + ": " +
                                     replies.back()["error"].get<std::string>());
        }
    }
    return replies;
}

}  // namespace load
