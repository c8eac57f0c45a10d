#include "main/command_line.h"

#include <charconv>

namespace mossquill::service {
namespace {

unsigned long ParseNumber(const std::string& text, const std::string& option, unsigned long maximum) {
    unsigned long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value > maximum) {
        throw UsageError(option + " needs a whole number from 0 to " + std::to_string(maximum) + ", not \"" + text +
                         "\"");
    }
    return value;
}

ListenAddress ParseHostPort(const std::string& text, const std::string& option) {
    std::string host;
    std::string port;
    if (text.starts_with("[")) {
        const auto close = text.find("]:");
        if (close == std::string::npos) {
            throw UsageError(option + " needs [IPV6]:PORT, not \"" + text + "\"");
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string::npos || text.find(':') != colon) {
            throw UsageError(option + " needs HOST:PORT, not \"" + text + "\"");
        }
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (host.empty()) {
        throw UsageError(option + " needs a host name or address in \"" + text + "\"");
    }
    return {host, static_cast<unsigned short>(ParseNumber(port, option + " port", 65535))};
}

}  // namespace

const char* const kUsage =
    "usage: mossquill-service --listen HOST:PORT [--listen HOST:PORT ...] --cert FILE --key FILE --db FILE\n"
    "                         [--announcement FILE] [--register-limit N] [--max-connections N]\n"
    "                         [--max-connections-per-address N] [--max-connections-per-prefix N]\n"
    "                         [--redis HOST:PORT [--presence-ttl SECONDS] [--redis-password-file FILE]]\n"
    "                         [--metrics HOST:PORT]\n"
    "\n"
    "  --listen HOST:PORT    address to serve HTTPS and WebSocket on; repeat for several ([::1]:443 for IPv6)\n"
    "  --cert FILE           PEM certificate chain, server certificate first\n"
    "  --key FILE            PEM private key of the certificate\n"
    "  --db FILE             SQLite database, created when missing\n"
    "  --announcement FILE   JSON object with id, title, message, latest_version, download_url;\n"
    "                        sent to every live session, reread on SIGHUP\n"
    "  --register-limit N    registrations per client address in 10 minutes (default 30, 0 = no limit);\n"
    "                        a /24 or /64 network may make 10 times, everybody together 1000 times as many\n"
    "  --max-connections N   open connections at most (default 20000)\n"
    "  --max-connections-per-address N\n"
    "                        open connections from one client address at most (default 100)\n"
    "  --max-connections-per-prefix N\n"
    "                        open connections from one /24 (IPv4) network, or one /64, /56 or /48 (IPv6), at most "
    "(default 400)\n"
    "  --redis HOST:PORT     share live sessions, presence and rate limits with other instances through Redis\n"
    "  --presence-ttl SECONDS\n"
    "                        with --redis: how long the devices of an instance that died stay online (default 30)\n"
    "  --redis-password-file FILE\n"
    "                        with --redis: first line of FILE is the Redis password (AUTH); without it the\n"
    "                        environment's MOSSQUILL_REDIS_PASSWORD, when set\n"
    "  --metrics HOST:PORT   serve Prometheus metrics in plain HTTP on this address (never the public one)\n";

ListenAddress ParseListenAddress(const std::string& text) { return ParseHostPort(text, "--listen"); }

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine result;
    ServerConfig& config = result.config;
    bool presenceTtlGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h") {
            result.helpRequested = true;
            return result;
        }
        if (i + 1 >= arguments.size()) {
            throw UsageError(option.starts_with("--") ? option + " needs a value" : "unknown argument " + option);
        }
        const std::string& value = arguments[++i];
        if (option == "--listen") {
            config.listen.push_back(ParseListenAddress(value));
        } else if (option == "--cert") {
            config.certFile = value;
        } else if (option == "--key") {
            config.keyFile = value;
        } else if (option == "--db") {
            config.databaseFile = value;
        } else if (option == "--announcement") {
            config.announcementFile = value;
        } else if (option == "--register-limit") {
            config.limits.registrationsPerAddress = ParseNumber(value, option, 1000000);
        } else if (option == "--max-connections") {
            config.transport.maxConnections = ParseNumber(value, option, 1000000);
        } else if (option == "--max-connections-per-address") {
            config.transport.maxConnectionsPerAddress = ParseNumber(value, option, 1000000);
        } else if (option == "--max-connections-per-prefix") {
            config.transport.maxConnectionsPerPrefix = ParseNumber(value, option, 1000000);
        } else if (option == "--redis") {
            config.redis = ParseHostPort(value, option);
            if (config.redis->port == 0) {
                throw UsageError("--redis needs the port of the Redis server");
            }
        } else if (option == "--redis-password-file") {
            config.redisPasswordFile = value;
        } else if (option == "--metrics") {
            config.metrics = ParseHostPort(value, option);
        } else if (option == "--presence-ttl") {
            presenceTtlGiven = true;
            config.presenceTtl = std::chrono::seconds(ParseNumber(value, option, 3600));
            if (config.presenceTtl.count() < 1) {
                throw UsageError("--presence-ttl needs at least 1 second");
            }
        } else {
            throw UsageError("unknown option " + option);
        }
    }
    if (config.listen.empty()) {
        throw UsageError("at least one --listen HOST:PORT is needed");
    }
    if (config.certFile.empty() || config.keyFile.empty() || config.databaseFile.empty()) {
        throw UsageError("--cert, --key and --db are needed");
    }
    if (config.redisPasswordFile && !config.redis) {
        throw UsageError("--redis-password-file needs --redis");
    }
    if (presenceTtlGiven && !config.redis) {
        throw UsageError("--presence-ttl needs --redis: a process serving alone knows when its sessions end");
    }
    return result;
}

}  // namespace mossquill::service
