#include "cluster/redis_client.h"
#include "cluster/redis_rate_limiter.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mossquill::service::testing {
namespace {

using namespace std::chrono_literals;

// A loopback port whose connections are taken (by the kernel's backlog) and never
// answered: Redis behind a partition that drops packets, or a stopped process.
class SilentServer {
public:
    SilentServer() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd_, 16) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("no loopback socket");
        }
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { close(fd_); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    unsigned short Port() const { return port_; }

private:
    int fd_;
    unsigned short port_ = 0;
};

template <class Call>
std::chrono::steady_clock::duration TimeOf(Call&& call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::steady_clock::now() - start;
}

TEST(RedisOutage, ASilentServerCostsOneTimeOutThenCallsFailAtOnceAndLimitsAreDecidedHere) {
    const SilentServer silent;
    RedisClient redis("127.0.0.1", silent.Port());
    ASSERT_TRUE(redis.Reachable());

    const auto first = TimeOf([&] { EXPECT_THROW(redis.Run({"PING"}), RedisError); });
    EXPECT_GE(first, 1s) << "the first call waits for its time-out";
    EXPECT_FALSE(redis.Reachable());
    const auto next = TimeOf([&] { EXPECT_THROW(redis.Run({"PING"}), RedisError); });
    EXPECT_LT(next, 100ms) << "no new connection, no new wait, while the server is held unreachable";

    // Two events a minute per key, counted by this instance alone meanwhile.
    RedisWindowLimiter limiter(redis, "outage", 2, 60s);
    const TimePoint now{std::chrono::hours(500000)};
    EXPECT_TRUE(limiter.TryTake("a", now));
    limiter.Record("a", now);
    EXPECT_TRUE(limiter.IsExhausted("a", now));
    EXPECT_FALSE(limiter.TryTake("a", now));
    EXPECT_TRUE(limiter.TryTake("b", now)) << "keys count apart";
    EXPECT_FALSE(limiter.IsExhausted("a", now + 61s)) << "the window passes here too";
}

}  // namespace
}  // namespace mossquill::service::testing
