// What an authenticated request costs the storage thread with and without the credentials
// kept in memory: registers devices in a fresh database, then times friend-list reads
// spread over them. Prints figures; not a test.
//
// Usage: credential_bench [DATABASE [DEVICES [REQUESTS]]]
//   DATABASE: an SQLite file to create (default: one in /tmp) or a postgresql:// URL.

#include "http/http_api.h"
#include "live/session_directory.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace service = mossquill::service;

namespace {

struct Device {
    std::string id;
    std::string authorization;
};

double MicrosecondsPerRequest(service::Store& store, const std::vector<Device>& devices, std::size_t requests,
                              std::size_t cachedDevices) {
    service::SystemClock clock;
    service::ServiceLimits limits;
    limits.friendListReadsPerDevice = requests;
    limits.credentialCacheDevices = cachedDevices;
    service::LoneInstance lone;
    service::LiveRelay relay(clock, limits, std::nullopt, lone, service::SlidingWindowLimiter::Factory());
    service::HttpApi api(store, clock, limits, relay, service::SlidingWindowLimiter::Factory());
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < requests; ++i) {
        const Device& device = devices[i % devices.size()];
        const service::ApiResponse answer = api.Handle(
            {"GET", "/v1/friends", service::kApplicationKey, device.id, device.authorization, "", "", "192.0.2.1"});
        if (answer.status != 200) {
            std::fprintf(stderr, "unexpected status %u: %s\n", answer.status, answer.body.c_str());
            return -1;
        }
    }
    const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / static_cast<double>(requests);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string database = argc > 1 ? argv[1] : "/tmp/mossquill-credential-bench.db";
    const std::size_t deviceCount = argc > 2 ? std::stoul(argv[2]) : 1000;
    const std::size_t requests = argc > 3 ? std::stoul(argv[3]) : 20000;
    if (!database.starts_with("postgres")) {
        std::filesystem::remove(database);
    }
    std::unique_ptr<service::Store> store = service::OpenStore(database);

    service::SystemClock clock;
    service::ServiceLimits limits;
    limits.registrationsPerAddress = 0;
    service::LoneInstance lone;
    service::LiveRelay relay(clock, limits, std::nullopt, lone, service::SlidingWindowLimiter::Factory());
    service::HttpApi registrar(*store, clock, limits, relay, service::SlidingWindowLimiter::Factory());
    std::vector<Device> devices;
    for (std::size_t i = 0; i < deviceCount; ++i) {
        const service::ApiResponse answer =
            registrar.Handle({"POST", "/v1/register", service::kApplicationKey, "", "", "application/json",
                              R"({"nickname":"bench"})", "192.0.2.1"});
        const nlohmann::json device = nlohmann::json::parse(answer.body)["device"];
        devices.push_back({device["id"], "Bearer " + device["token"].get<std::string>()});
    }

    std::printf("%zu friend-list reads over %zu devices on %s\n", requests, deviceCount,
                database.starts_with("postgres") ? "PostgreSQL" : "SQLite");
    std::printf("credentials read from the database: %.1f us per request\n",
                MicrosecondsPerRequest(*store, devices, requests, 0));
    std::printf("credentials kept in memory:         %.1f us per request\n",
                MicrosecondsPerRequest(*store, devices, requests, limits.credentialCacheDevices));
    store.reset();
    if (!database.starts_with("postgres")) {
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::filesystem::remove(database + suffix);
        }
    }
    return 0;
}
