#include "service_clients.h"
#include "service_process.h"
#include "temporary_directory.h"
#include "test_database.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

namespace mossquill::service::testing {
namespace {

using namespace std::chrono_literals;
namespace net = boost::asio;

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Sends bytes over plain TCP and returns what comes back until the peer closes.
std::string PlainExchange(unsigned short port, const std::string& bytes) {
    net::io_context io;
    net::ip::tcp::socket socket(io);
    socket.connect({net::ip::make_address("127.0.0.1"), port});
    net::write(socket, net::buffer(bytes));
    std::string reply;
    boost::system::error_code error;
    net::read(socket, net::dynamic_buffer(reply), error);
    return reply;
}

// Scrapes the metrics and reads them with the Prometheus client library's own parser, as
// a monitoring system would: "name{label=value}" to value.
std::map<std::string, double> Scrape(unsigned short port, const TemporaryDirectory& directory) {
    const std::string reply = PlainExchange(port, "GET /metrics HTTP/1.1\r\nHost: monitor\r\n\r\n");
    const auto bodyStart = reply.find("\r\n\r\n");
    EXPECT_NE(reply.find("text/plain; version=0.0.4"), std::string::npos) << reply.substr(0, 300);
    const std::string exposition = directory.File("scrape.txt");
    std::ofstream(exposition) << reply.substr(bodyStart == std::string::npos ? reply.size() : bodyStart + 4);
    const std::string command =
        "/usr/bin/python3 -c 'import sys\n"
        "from prometheus_client.parser import text_string_to_metric_families as parse\n"
        "for family in parse(sys.stdin.read()):\n"
        "  for s in family.samples:\n"
        "    labels = \",\".join(k + \"=\" + v for k, v in sorted(s.labels.items()))\n"
        "    print(s.name + \"{\" + labels + \"} \" + repr(float(s.value)))' < " +
        exposition;
    std::map<std::string, double> samples;
    FILE* parser = popen(command.c_str(), "r");
    char line[512];
    while (parser != nullptr && std::fgets(line, sizeof line, parser) != nullptr) {
        std::string text(line);
        const auto space = text.rfind(' ');
        samples[text.substr(0, space)] = std::stod(text.substr(space + 1));
    }
    EXPECT_EQ(parser == nullptr ? -1 : pclose(parser), 0) << "the exposition parses";
    return samples;
}

unsigned short MetricsPort(const std::string& logFile) {
    const std::string log = ReadFile(logFile);
    std::smatch found;
    if (!std::regex_search(log, found, std::regex(R"(event=metrics_listening address=127\.0\.0\.1:(\d+))"))) {
        return 0;
    }
    return static_cast<unsigned short>(std::stoi(found[1]));
}

void MakeFriends(unsigned short port, const Device& a, const Device& b) {
    const std::string code = CreatePairCode(port, a);
    ASSERT_EQ(HttpsRequest(port, "POST", "/v1/pair/claim", nlohmann::json{{"code", code}}.dump(), b.Auth()).status,
              200u);
}

TEST(OperationsTest, MetricsFollowWhatClientsDoAndAFloodOfBadHandshakesLogsLittle) {
    TemporaryDirectory directory;
    const std::string log = directory.File("service.log");
    ServiceProcess service(TestDatabase(directory), log, {"--metrics", "127.0.0.1:0"});
    const unsigned short metrics = MetricsPort(log);
    ASSERT_NE(metrics, 0) << ReadFile(log);
    const auto before = Scrape(metrics, directory);
    ASSERT_TRUE(before.contains("process_resident_memory_bytes{}"));
    EXPECT_GT(before.at("process_resident_memory_bytes{}"), 0);

    const Device a = Register(service.Port(), "甲");
    const Device b = Register(service.Port(), "乙");
    MakeFriends(service.Port(), a, b);
    auto liveA = ConnectLive(service.Port(), a);
    auto liveB = ConnectLive(service.Port(), b);
    ExpectMessage(*liveA, "presence");
    liveA->Send(nlohmann::json{{"type", "action"}, {"to", b.id}, {"action", "greet"}}.dump());
    ExpectMessage(*liveB, "action");
    constexpr int kNotTls = 40;
    for (int i = 0; i < kNotTls; ++i) {
        PlainExchange(service.Port(), "GET / HTTP/1.1\r\n\r\n");
    }
    EXPECT_EQ(HttpsRequest(service.Port(), "GET", "/metrics", "").status, 404u) << "never on the public port";

    const auto after = Scrape(metrics, directory);
    const auto moved = [&](const std::string& name) { return after.at(name) - before.at(name); };
    EXPECT_EQ(after.at("mossquill_live_sessions{}"), 2);
    EXPECT_EQ(moved("mossquill_relayed_messages_total{}"), 1);
    EXPECT_EQ(moved("mossquill_relay_latency_seconds_count{}"), 1);
    EXPECT_GE(moved("mossquill_tls_handshakes_total{}"), 6) << "registrations, codes, claim and two sessions";
    EXPECT_EQ(moved("mossquill_tls_handshake_failures_total{}"), kNotTls);
    EXPECT_GE(moved("mossquill_storage_request_duration_seconds_count{}"), 6);
    EXPECT_EQ(after.at("mossquill_refusals_total{rule=connection_limit}"), 0);

    // Each failed handshake would be a line; the throttle keeps a minute's share and counts the rest.
    const std::string text = ReadFile(log);
    std::size_t lines = 0;
    for (auto at = text.find("event=tls_handshake_failed"); at != std::string::npos;
         at = text.find("event=tls_handshake_failed", at + 1)) {
        ++lines;
    }
    EXPECT_LT(lines, static_cast<std::size_t>(kNotTls));
    EXPECT_EQ(moved("mossquill_log_lines_dropped_total{}"), static_cast<double>(kNotTls - lines));
}

}  // namespace
}  // namespace mossquill::service::testing
