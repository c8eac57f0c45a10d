// What the load program is asked to do, and where each device's session goes: the same in the
// parent and in every worker process, so that pairs, instances and source addresses agree.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace load {

namespace net = boost::asio;
namespace ssl = net::ssl;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

inline constexpr const char* kAppKey = "5d3b8e0f71a24c96b0e7d14f2a9c63e85b07f1d2c4a98e360f5b12d7e4c9a0b6";
inline constexpr const char* kHostName = "localhost";
// Registration connections at once, over all worker processes.
inline constexpr std::size_t kSetupConnections = 8;
// With several instances, one friend pair in this many sits on one instance, so that visits
// that need no other instance can be told apart while Redis is stopped.
inline constexpr std::size_t kLocalPairEvery = 10;
inline constexpr auto kOutageStartsAfter = std::chrono::seconds(5);
// Cross-instance visits due this long after Redis comes back may still meet its back-off, and
// those due this long before it stops may still be on their way to it when it does (under
// load a visit waits its turn on the service's cores and in its queue to Redis).
inline constexpr auto kOutageSettleTime = std::chrono::seconds(3);
inline constexpr auto kOutageLeadTime = std::chrono::seconds(1);
// Descriptors a process needs besides its sessions: setup connections, the CA file, /proc
// reads, the pipes to the worker processes.
inline constexpr std::size_t kSpareDescriptors = 64;

struct Target {
    std::string host = "127.0.0.1";
    unsigned short port = 0;
};

struct Options {
    // Several instances of the service share the sessions: session i goes to target i mod n.
    std::vector<Target> targets;
    std::string caFile;
    std::vector<int> servicePids;  // their figures are added up
    std::size_t sessions = 1000;
    double visitsPerSecond = 200;
    int holdSeconds = 10;
    std::size_t inFlight = 200;       // connection attempts at once, over all processes
    std::size_t processes = 0;        // worker processes; 0: as few as the descriptor limit allows
    std::size_t threads = 0;          // event loops per worker process; 0: two over all processes
    std::size_t sourcePrefixes = 50;  // client addresses 127.0.P.1 .. 127.0.P+K.1, one /24 each
    int redisPid = 0;                 // stopped (SIGSTOP) for outageSeconds during the hold
    int outageSeconds = 10;
};

Options ParseOptions(int argc, char** argv);

// Raises this process's soft descriptor limit to the hard one (the workers inherit it), then
// chooses the worker processes (unless given) and their threads so that each process's
// sessions fit it. A limit too low would show up as connect failures far into the run, so it
// throws before any work.
void PlanProcesses(Options& options);

// Friend pairs [first, end) of one worker process; pair k is devices 2k and 2k+1.
struct PairRange {
    std::size_t first = 0;
    std::size_t end = 0;
};
PairRange PairsOf(const Options& options, std::size_t process);

bool IsLocalPair(const Options& options, std::size_t pair);
tcp::endpoint TargetOf(const Options& options, std::size_t device);
net::ip::address SourceAddress(const Options& options, std::size_t device);
ssl::context MakeClientTls(const std::string& caFile);

// When Redis is stopped: fixed before the hold begins, read by every thread of every process.
struct OutagePlan {
    bool planned = false;
    Clock::time_point begins;
    Clock::time_point ends;

    bool During(Clock::time_point when) const { return planned && when >= begins && when < ends; }
    // Visits due then, or so near it that they may still meet the stopped server or its back-off.
    bool Covers(Clock::time_point when) const {
        return planned && when >= begins - kOutageLeadTime && when < ends + kOutageSettleTime;
    }
};

}  // namespace load
