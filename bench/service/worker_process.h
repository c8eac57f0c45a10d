// The load program's worker processes and the pipes the parent steps them through the phases
// with: one JSON message a line, each command answered by one reply.
#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

namespace load {

// One end's view of a pair of pipes; closes its descriptors.
class MessagePipe {
public:
    MessagePipe(int readFd, int writeFd) : readFd_(readFd), writeFd_(writeFd) {}
    ~MessagePipe();
    MessagePipe(const MessagePipe&) = delete;
    MessagePipe& operator=(const MessagePipe&) = delete;

    void Send(const nlohmann::json& message);
    // Throws when the other end has gone.
    nlohmann::json Receive();

private:
    int readFd_;
    int writeFd_;
    std::string pending_;
};

class WorkerProcess {
public:
    // Forks; the child runs body with its end of the pipes and ends with its result. Fork
    // before any thread exists: the child has only the forking one.
    using Body = std::function<int(MessagePipe&)>;
    static std::vector<std::unique_ptr<WorkerProcess>> StartAll(std::size_t count,
                                                                const std::function<Body(std::size_t)>& bodyOf);
    // Ends a worker that has not finished (the parent stopped early).
    ~WorkerProcess();

    MessagePipe& Pipe() { return *pipe_; }
    // Waits for the worker to end; its exit status.
    int Wait();

private:
    WorkerProcess(pid_t pid, std::unique_ptr<MessagePipe> pipe) : pid_(pid), pipe_(std::move(pipe)) {}

    pid_t pid_;
    std::unique_ptr<MessagePipe> pipe_;
};

// Sends the command to every worker, then waits for every reply; throws with the first error
// a worker reported.
std::vector<nlohmann::json> Broadcast(std::vector<std::unique_ptr<WorkerProcess>>& workers,
                                      const nlohmann::json& command);

}  // namespace load
