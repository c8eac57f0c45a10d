#include "main/command_line.h"

#include <gtest/gtest.h>

namespace mossquill::service {
namespace {

TEST(CommandLineTest, ReadsEveryOption) {
    const CommandLine parsed =
        ParseCommandLine({"--listen", "gateway.mossquill.test:443", "--listen", "[::1]:8443", "--cert", "c.pem",
                          "--key", "k.pem", "--db", "s.db", "--announcement", "a.json", "--register-limit", "0",
                          "--max-connections", "5", "--max-connections-per-address", "3"});
    const ServerConfig& config = parsed.config;
    ASSERT_EQ(config.listen.size(), 2u);
    EXPECT_EQ(config.listen[0].host, "gateway.mossquill.test");
    EXPECT_EQ(config.listen[0].port, 443);
    EXPECT_EQ(config.listen[1].host, "::1");
    EXPECT_EQ(config.listen[1].port, 8443);
    EXPECT_EQ(config.certFile, "c.pem");
    EXPECT_EQ(config.keyFile, "k.pem");
    EXPECT_EQ(config.databaseFile, "s.db");
    EXPECT_EQ(config.announcementFile, "a.json");
    EXPECT_EQ(config.limits.registrationsPerAddress, 0u);
    EXPECT_EQ(config.transport.maxConnections, 5u);
    EXPECT_EQ(config.transport.maxConnectionsPerAddress, 3u);
    EXPECT_TRUE(config.handleSignals);
    EXPECT_TRUE(ParseCommandLine({"--help"}).helpRequested);
}

TEST(CommandLineTest, RefusesIncompleteOrMalformedArguments) {
    const std::vector<std::string> complete = {"--listen", "h:1", "--cert", "c", "--key", "k", "--db", "d"};
    EXPECT_NO_THROW(ParseCommandLine(complete));
    for (std::size_t drop = 0; drop < complete.size(); drop += 2) {
        auto partial = complete;
        partial.erase(partial.begin() + static_cast<long>(drop), partial.begin() + static_cast<long>(drop) + 2);
        EXPECT_THROW(ParseCommandLine(partial), UsageError) << "without " << complete[drop];
    }
    for (const char* address : {"host", "host:", ":443", "host:65536", "host:44x", "::1:443", "[::1]443"}) {
        EXPECT_THROW(ParseListenAddress(address), UsageError) << address;
    }
    auto unknown = complete;
    unknown.push_back("--verbose");
    unknown.push_back("1");
    EXPECT_THROW(ParseCommandLine(unknown), UsageError);
    auto dangling = complete;
    dangling.push_back("--db");
    EXPECT_THROW(ParseCommandLine(dangling), UsageError);
}

TEST(CommandLineTest, RedisSharingAndItsPresenceTime) {
    const std::vector<std::string> alone = {"--listen", "h:1", "--cert", "c", "--key", "k", "--db", "d"};
    EXPECT_FALSE(ParseCommandLine(alone).config.redis);

    auto shared = alone;
    shared.insert(shared.end(), {"--redis", "redis.internal:6379", "--presence-ttl", "5"});
    const ServerConfig config = ParseCommandLine(shared).config;
    ASSERT_TRUE(config.redis);
    EXPECT_EQ(config.redis->host, "redis.internal");
    EXPECT_EQ(config.redis->port, 6379);
    EXPECT_EQ(config.presenceTtl, std::chrono::seconds(5));

    for (const std::vector<std::string> wrong : {std::vector<std::string>{"--presence-ttl", "5"},
                                                 {"--redis", "redis.internal"},
                                                 {"--redis", "redis.internal:0"},
                                                 {"--redis", "r:1", "--presence-ttl", "0"},
                                                 {"--redis-password-file", "/run/credentials/redis"}}) {
        auto arguments = alone;
        arguments.insert(arguments.end(), wrong.begin(), wrong.end());
        EXPECT_THROW(ParseCommandLine(arguments), UsageError) << wrong[0] << " " << wrong[1];
    }
}

}  // namespace
}  // namespace mossquill::service
