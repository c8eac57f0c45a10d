#include "health_probe.h"

#include <boost/asio/io_context.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

namespace load {

namespace {

namespace beast = boost::beast;
namespace http = beast::http;

constexpr auto kHealthProbeInterval = std::chrono::seconds(1);

// One GET /v1/health on a connection of its own.
HealthAnswer ProbeHealth(const Options& options, ssl::context& tls, std::size_t target) {
    net::io_context io;
    beast::ssl_stream<beast::tcp_stream> stream(io, tls);
    SSL_set_tlsext_host_name(stream.native_handle(), kHostName);
    http::request<http::empty_body> request(http::verb::get, "/v1/health", 11);
    request.set(http::field::host, kHostName);
    http::response<http::string_body> response;
    beast::flat_buffer buffer;
    HealthAnswer answer;
    const auto started = Clock::now();
    beast::get_lowest_layer(stream).expires_after(kHealthProbeTimeout);
    beast::get_lowest_layer(stream).async_connect(TargetOf(options, target), [&](beast::error_code error) {
        if (error) {
            return;
        }
        stream.async_handshake(ssl::stream_base::client, [&](beast::error_code error) {
            if (error) {
                return;
            }
            http::async_write(stream, request, [&](beast::error_code error, std::size_t) {
                if (error) {
                    return;
                }
                http::async_read(stream, buffer, response, [&](beast::error_code error, std::size_t) {
                    answer.status = error ? 0 : response.result_int();
                });
            });
        });
    });
    io.run();
    answer.ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    return answer;
}

}  // namespace

HealthProber::HealthProber(const Options& options)
    : options_(options), tls_(MakeClientTls(options.caFile)), thread_([this] { Run(); }) {}

HealthProber::~HealthProber() { Stop(); }

void HealthProber::Stop() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void HealthProber::Run() {
    while (!stopping_) {
        const auto round = Clock::now();
        for (std::size_t target = 0; target < options_.targets.size(); ++target) {
            answers_.push_back(ProbeHealth(options_, tls_, target));
        }
        std::this_thread::sleep_until(round + kHealthProbeInterval);
    }
}

}  // namespace load
