#include "command_line.h"

#include <gtest/gtest.h>

namespace mossquill::service {
namespace {

TEST(CommandLineTest, ReadsEveryOption)
{
    const CommandLine parsed = ParseCommandLine({"--listen", "gateway.mossquill.test:443", "--listen", "[::1]:8443",
                                                 "--cert", "c.pem", "--key", "k.pem", "--db", "s.db",
                                                 "--announcement", "a.json", "--register-limit", "0",
                                                 "--max-connections", "5", "--max-connections-per-address",
                                                 "3"});
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

TEST(CommandLineTest, RefusesIncompleteOrMalformedArguments)
{
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

}  // namespace
}  // namespace mossquill::service
