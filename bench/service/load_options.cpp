#include "load_options.h"

#include <algorithm>
#include <stdexcept>

#include <sys/resource.h>

namespace load {

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--target") {
            const auto colon = value.rfind(':');
            options.targets.push_back(
                {value.substr(0, colon), static_cast<unsigned short>(std::stoul(value.substr(colon + 1)))});
        } else if (name == "--ca") {
            options.caFile = value;
        } else if (name == "--service-pid") {
            options.servicePids.push_back(std::stoi(value));
        } else if (name == "--sessions") {
            options.sessions = std::stoul(value) & ~std::size_t{1};
        } else if (name == "--rate") {
            options.visitsPerSecond = std::stod(value);
        } else if (name == "--hold") {
            options.holdSeconds = std::stoi(value);
        } else if (name == "--processes") {
            options.processes = std::clamp<std::size_t>(std::stoul(value), 1, 64);
        } else if (name == "--threads") {
            options.threads = std::clamp<std::size_t>(std::stoul(value), 1, 16);
        } else if (name == "--in-flight") {
            options.inFlight = std::stoul(value);
        } else if (name == "--redis-pid") {
            options.redisPid = std::stoi(value);
        } else if (name == "--outage") {
            options.outageSeconds = std::stoi(value);
        } else if (name == "--source-prefixes") {
            options.sourcePrefixes = std::max<std::size_t>(1, std::stoul(value));
        } else {
            throw std::invalid_argument("unknown option " + name);
        }
    }
    if (options.targets.empty() || options.caFile.empty()) {
        throw std::invalid_argument(
            "usage: service_load --target HOST:PORT [--target HOST:PORT ...] --ca CA.pem [--service-pid PID ...] "
            "[--sessions N] [--rate VISITS_PER_S] [--hold SECONDS] [--in-flight N] [--processes N] [--threads N] "
            "[--source-prefixes K] [--redis-pid PID [--outage SECONDS]]");
    }
    if (options.redisPid != 0 && options.holdSeconds < kOutageStartsAfter.count() + options.outageSeconds + 5) {
        throw std::invalid_argument("the hold must outlast the Redis outage by " +
                                    std::to_string(kOutageStartsAfter.count() + 5) + " s");
    }
    return options;
}

PairRange PairsOf(const Options& options, std::size_t process) {
    const std::size_t pairs = options.sessions / 2;
    return {pairs * process / options.processes, pairs * (process + 1) / options.processes};
}

namespace {

std::size_t LargestShare(const Options& options) {
    std::size_t largest = 0;
    for (std::size_t process = 0; process < options.processes; ++process) {
        const PairRange range = PairsOf(options, process);
        largest = std::max(largest, 2 * (range.end - range.first));
    }
    return largest;
}

}  // namespace

void PlanProcesses(Options& options) {
    rlimit own{};
    getrlimit(RLIMIT_NOFILE, &own);
    own.rlim_cur = own.rlim_max;
    setrlimit(RLIMIT_NOFILE, &own);
    const bool chosen = options.processes == 0;
    if (chosen) {
        const std::size_t room = own.rlim_cur > 2 * kSpareDescriptors ? own.rlim_cur - kSpareDescriptors : 1;
        options.processes = std::max<std::size_t>(1, (options.sessions + room - 1) / room);
        // Whole pairs per process may leave one a session or two above an even share.
        while (LargestShare(options) + kSpareDescriptors > own.rlim_cur && options.processes < options.sessions / 2) {
            ++options.processes;
        }
    }
    const std::size_t largest = LargestShare(options);
    if (largest + kSpareDescriptors > own.rlim_cur) {
        throw std::runtime_error("the load program may open " + std::to_string(own.rlim_cur) +
                                 " descriptors per process (hard limit); " + std::to_string(largest) +
                                 " sessions in one of " + std::to_string(options.processes) + " processes need " +
                                 std::to_string(largest + kSpareDescriptors) + " (--processes shares them out)");
    }
    if (options.threads == 0) {
        options.threads = std::max<std::size_t>(1, 2 / options.processes);
    }
}

bool IsLocalPair(const Options& options, std::size_t pair) {
    return options.targets.size() > 1 && pair % kLocalPairEvery == kLocalPairEvery - 1;
}

tcp::endpoint TargetOf(const Options& options, std::size_t device) {
    const std::size_t slot = IsLocalPair(options, device / 2) ? device / 2 : device;
    const Target& target = options.targets[slot % options.targets.size()];
    return {net::ip::make_address(target.host), target.port};
}

net::ip::address SourceAddress(const Options& options, std::size_t device) {
    const auto prefix = static_cast<unsigned>(1 + device % options.sourcePrefixes);
    return net::ip::make_address_v4((127u << 24) | ((prefix >> 8) << 16) | ((prefix & 0xff) << 8) | 1u);
}

ssl::context MakeClientTls(const std::string& caFile) {
    ssl::context context(ssl::context::tls_client);
    context.load_verify_file(caFile);
    context.set_verify_mode(ssl::verify_peer);
    return context;
}

}  // namespace load
