#include "in_process_service.h"
#include "service_clients.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>

#include <poll.h>

#include <functional>
#include <list>

namespace mossquill::service::testing {
namespace {

using namespace std::chrono_literals;
namespace net = boost::asio;
using tcp = net::ip::tcp;

// True when the server closes the plain TCP connection within the time.
bool ServerCloses(tcp::socket& socket, std::chrono::milliseconds within) {
    pollfd readable{socket.native_handle(), POLLIN, 0};
    if (poll(&readable, 1, static_cast<int>(within.count())) != 1) {
        return false;
    }
    char byte = 0;
    boost::system::error_code error;
    socket.read_some(net::buffer(&byte, 1), error);
    return error == net::error::eof || error == net::error::connection_reset;
}

TEST(TransportLimitsTest, SilentConnectionsAreDroppedAfterTheHandshakeTimeout) {
    TransportLimits transport;
    transport.handshakeTimeout = 200ms;
    InProcessService service({}, transport);
    net::io_context io;
    tcp::socket idle(io);
    idle.connect({net::ip::address_v4::loopback(), service.Port()});
    EXPECT_TRUE(ServerCloses(idle, 3s));
    EXPECT_NO_THROW(Register(service.Port(), "甲"));
}

TEST(TransportLimitsTest, ConnectionsBeyondTheCapAreClosedAtOnce) {
    TransportLimits transport;
    transport.maxConnections = 2;
    InProcessService service({}, transport);
    net::io_context io;
    tcp::socket first(io);
    tcp::socket second(io);
    tcp::socket third(io);
    for (tcp::socket* socket : {&first, &second, &third}) {
        socket->connect({net::ip::address_v4::loopback(), service.Port()});
    }
    EXPECT_TRUE(ServerCloses(third, 2s));
    EXPECT_FALSE(ServerCloses(first, 300ms)) << "admitted connections stay";
    first.close();
    second.close();
    std::this_thread::sleep_for(100ms);
    EXPECT_NO_THROW(Register(service.Port(), "甲")) << "places are given back";
}

TEST(TransportLimitsTest, OneAddressCannotTakeEveryPlace) {
    TransportLimits transport;
    transport.maxConnectionsPerAddress = 2;
    InProcessService service({}, transport);
    net::io_context io;
    const auto connectFrom = [&](tcp::socket& socket, const char* address) {
        socket.open(tcp::v4());
        socket.bind({net::ip::make_address_v4(address), 0});
        socket.connect({net::ip::address_v4::loopback(), service.Port()});
    };
    tcp::socket first(io);
    tcp::socket second(io);
    tcp::socket third(io);
    tcp::socket elsewhere(io);
    connectFrom(first, "127.0.0.1");
    connectFrom(second, "127.0.0.1");
    connectFrom(third, "127.0.0.1");
    connectFrom(elsewhere, "127.0.0.9");
    EXPECT_TRUE(ServerCloses(third, 2s));
    EXPECT_FALSE(ServerCloses(elsewhere, 300ms)) << "another address still gets in";
}

TEST(TransportLimitsTest, ASlotFloodFromOneNetworkLeavesOtherNetworksAbleToConnect) {
    TransportLimits transport;
    transport.maxConnections = 6;
    transport.maxConnectionsPerAddress = 2;
    transport.maxConnectionsPerPrefix = 4;
    InProcessService service({}, transport);
    net::io_context io;
    std::list<tcp::socket> flood;
    // Six addresses of one network, each within its own cap, would fill every place.
    for (int host = 0; host < 6; ++host) {
        auto& socket = flood.emplace_back(io);
        socket.open(tcp::v4());
        socket.bind({net::ip::make_address_v4("127.0.0." + std::to_string(2 + host)), 0});
        socket.connect({net::ip::address_v4::loopback(), service.Port()});
    }
    int closed = 0;
    for (auto& socket : flood) {
        closed += ServerCloses(socket, 300ms) ? 1 : 0;
    }
    EXPECT_EQ(closed, 2) << "the network holds four places";

    RequestHeaders elsewhere;
    elsewhere.source = "127.1.0.1";
    EXPECT_EQ(HttpsRequest(service.Port(), "POST", "/v1/register", R"({"nickname":"乙"})", elsewhere).status, 201u);
}

TEST(TransportLimitsTest, StoppingEndsEvenWhenAPeerNeverAnswersTheClose) {
    namespace beast = boost::beast;
    auto service = std::make_unique<InProcessService>();
    const Device device = Register(service->Port(), "甲");

    net::io_context io;
    net::ssl::context tls(net::ssl::context::tls_client);
    tls.load_verify_file(std::string(MOSSQUILL_TEST_CA_DIR) + "/ca.pem");
    beast::websocket::stream<beast::ssl_stream<beast::tcp_stream>> frozen(io, tls);
    beast::get_lowest_layer(frozen).connect({net::ip::address_v4::loopback(), service->Port()});
    frozen.next_layer().handshake(net::ssl::stream_base::client);
    frozen.set_option(beast::websocket::stream_base::decorator([&](beast::websocket::request_type& request) {
        request.set("X-Mossquill-App-Key", std::string(kApplicationKey));
        request.set("X-Mossquill-Device", device.id);
        request.set("Authorization", "Bearer " + device.token);
    }));
    frozen.handshake("localhost", "/v1/ws");
    // From here on nothing is read: the service's close frame is never answered.

    const auto start = std::chrono::steady_clock::now();
    service.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

// Completes a TLS handshake as a client that `offer` sets up; the suite it ended up with, ""
// when the handshake fails.
std::string NegotiatedSuite(unsigned short port, const std::function<void(SSL_CTX*)>& offer) {
    namespace beast = boost::beast;
    net::io_context io;
    net::ssl::context tls(net::ssl::context::tls_client);
    offer(tls.native_handle());
    beast::ssl_stream<beast::tcp_stream> stream(io, tls);
    beast::get_lowest_layer(stream).connect({net::ip::address_v4::loopback(), port});
    boost::system::error_code error;
    stream.handshake(net::ssl::stream_base::client, error);
    return error ? std::string() : SSL_CIPHER_get_name(SSL_get_current_cipher(stream.native_handle()));
}

// True when a TLS 1.2 handshake offering only the given suites succeeds.
bool Tls12HandshakeWith(unsigned short port, const char* suites) {
    return !NegotiatedSuite(port, [&](SSL_CTX* tls) {
                SSL_CTX_set_max_proto_version(tls, TLS1_2_VERSION);
                SSL_CTX_set_cipher_list(tls, suites);
            }).empty();
}

TEST(TransportLimitsTest, Tls12OffersOnlyAeadSuitesWithForwardSecrecy) {
    InProcessService service;
    // Each suite named for both key types: the certificate may be ECDSA or RSA.
    EXPECT_TRUE(Tls12HandshakeWith(service.Port(), "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256"));
    EXPECT_TRUE(Tls12HandshakeWith(service.Port(), "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305"));
    EXPECT_FALSE(Tls12HandshakeWith(service.Port(),
                                    "ECDHE-ECDSA-AES128-SHA256:ECDHE-ECDSA-AES256-SHA:"
                                    "ECDHE-RSA-AES128-SHA256:ECDHE-RSA-AES256-SHA"))
        << "CBC";
    EXPECT_FALSE(Tls12HandshakeWith(service.Port(), "AES128-GCM-SHA256")) << "no forward secrecy";
}

// The TLS 1.3 suite of a client offering the given ones in its own order.
std::string Tls13SuiteWith(unsigned short port, const char* suites) {
    return NegotiatedSuite(port, [&](SSL_CTX* tls) {
        SSL_CTX_set_min_proto_version(tls, TLS1_3_VERSION);
        SSL_CTX_set_ciphersuites(tls, suites);
    });
}

TEST(TransportLimitsTest, Tls13ChoosesTheSha256SuiteWhateverTheClientPrefers) {
    InProcessService service;
    EXPECT_EQ(
        Tls13SuiteWith(service.Port(), "TLS_AES_256_GCM_SHA384:TLS_CHACHA20_POLY1305_SHA256:TLS_AES_128_GCM_SHA256"),
        "TLS_AES_128_GCM_SHA256");
    // A client without it still gets its own suites.
    EXPECT_EQ(Tls13SuiteWith(service.Port(), "TLS_AES_256_GCM_SHA384"), "TLS_AES_256_GCM_SHA384");
    EXPECT_EQ(Tls13SuiteWith(service.Port(), "TLS_CHACHA20_POLY1305_SHA256"), "TLS_CHACHA20_POLY1305_SHA256");
}

}  // namespace
}  // namespace mossquill::service::testing

namespace mossquill::service::testing {
namespace {

std::size_t Answers(const std::string& replies, std::string_view status) {
    std::size_t count = 0;
    for (auto at = replies.find(status); at != std::string::npos; at = replies.find(status, at + 1)) {
        ++count;
    }
    return count;
}

TEST(TransportLimitsTest, AnonymousClientsGetNeitherAConnectionForEverNorUnlimitedHealthChecks) {
    ServiceLimits limits;
    limits.healthChecksPerNetwork = 6;
    TransportLimits transport;
    InProcessService service(limits, transport);
    std::string pipelined;
    for (int i = 0; i < 5; ++i) {
        pipelined += "GET /v1/health HTTP/1.1\r\nHost: localhost\r\n\r\n";
    }
    const std::string replies = RawHttpsExchange(service.Port(), pipelined);
    EXPECT_EQ(Answers(replies, "HTTP/1.1 200"), transport.unauthenticatedAnswersPerConnection)
        << "the connection is closed after its share of answers without a device";

    RequestHeaders loadBalancer;
    loadBalancer.appKey.clear();
    EXPECT_EQ(HttpsRequest(service.Port(), "GET", "/v1/health", "", loadBalancer).status, 200u);
    EXPECT_EQ(HttpsRequest(service.Port(), "GET", "/v1/health", "", loadBalancer).status, 200u);
    EXPECT_EQ(HttpsRequest(service.Port(), "GET", "/v1/health", "", loadBalancer).status, 429u)
        << "health checks are limited per network";
    loadBalancer.source = "127.1.0.1";
    EXPECT_EQ(HttpsRequest(service.Port(), "GET", "/v1/health", "", loadBalancer).status, 200u);
}

}  // namespace
}  // namespace mossquill::service::testing
