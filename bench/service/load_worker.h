// One worker process of the load program: registers its friend pairs, then runs their live
// sessions on its threads, phase by phase as the parent commands over the pipe, so that all
// workers are in the same phase at once. The commands, in the order the parent sends them:
// setup, connect, hold, close, connect (resuming), close, report; each answered by one reply.
#pragma once

#include "load_options.h"
#include "worker_process.h"

#include <nlohmann/json.hpp>

#include <cstddef>

namespace load {

nlohmann::json SetupCommand();
// Replied with the worker's sessions connected, resumed and failed so far.
nlohmann::json ConnectCommand(bool resume);
// Replied with the sessions still open when the hold ended.
nlohmann::json HoldCommand(Clock::time_point began, const OutagePlan& outage);
nlohmann::json CloseCommand();
// Replied with the worker's totals (TotalsToJson); the worker ends after it.
nlohmann::json ReportCommand();

// The worker's body: returns its exit status. An error is replied as {"error": text}.
int RunWorker(const Options& options, std::size_t process, MessagePipe& parent);

}  // namespace load
