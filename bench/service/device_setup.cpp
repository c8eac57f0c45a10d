#include "device_setup.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <nlohmann/json.hpp>

#include <atomic>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

namespace load {

namespace {

namespace beast = boost::beast;
namespace http = beast::http;

class SetupClient {
public:
    SetupClient(const Options& options, ssl::context& tls, std::size_t index)
        : options_(options), tls_(tls), index_(index) {}

    nlohmann::json Call(http::verb method, const std::string& target, const nlohmann::json& body,
                        const Identity* identity, unsigned expected) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                if (!stream_) {
                    Connect();
                }
                http::request<http::string_body> request(method, target, 11);
                request.set(http::field::host, kHostName);
                request.set("X-Mossquill-App-Key", kAppKey);
                request.set(http::field::content_type, "application/json");
                if (identity != nullptr) {
                    request.set("X-Mossquill-Device", identity->id);
                    request.set(http::field::authorization, "Bearer " + identity->token);
                }
                request.body() = body.dump();
                request.prepare_payload();
                http::write(*stream_, request);
                http::response<http::string_body> response;
                http::read(*stream_, buffer_, response);
                if (!response.keep_alive()) {
                    stream_.reset();
                }
                if (response.result_int() != expected) {
                    throw std::runtime_error(target + " answered " + std::to_string(response.result_int()) + " " +
                                             response.body());
                }
                return nlohmann::json::parse(response.body());
            } catch (const boost::system::system_error&) {
                stream_.reset();  // a closed kept-alive connection: reconnect once
                if (attempt == 1) {
                    throw;
                }
            }
        }
        return {};
    }

private:
    void Connect() {
        stream_.emplace(io_, tls_);
        SSL_set_tlsext_host_name(stream_->native_handle(), kHostName);
        stream_->set_verify_callback(ssl::host_name_verification(kHostName));
        auto& socket = beast::get_lowest_layer(*stream_).socket();
        socket.open(tcp::v4());
        socket.bind(tcp::endpoint(SourceAddress(options_, index_), 0));
        socket.connect(TargetOf(options_, index_));
        stream_->handshake(ssl::stream_base::client);
        buffer_.clear();
    }

    const Options& options_;
    ssl::context& tls_;
    std::size_t index_;
    net::io_context io_;
    std::optional<beast::ssl_stream<beast::tcp_stream>> stream_;
    beast::flat_buffer buffer_;
};

}  // namespace

void RegisterPairs(const Options& options, PairRange pairs, std::size_t connections, std::size_t firstConnection,
                   std::vector<Identity>& devices) {
    std::atomic<std::size_t> nextPair{pairs.first};
    std::atomic<bool> failed{false};
    std::string failure;
    std::mutex failureMutex;
    std::vector<std::thread> workers;
    for (std::size_t worker = 0; worker < connections; ++worker) {
        workers.emplace_back([&, worker] {
            try {
                ssl::context tls = MakeClientTls(options.caFile);
                SetupClient client(options, tls, firstConnection + worker);
                for (std::size_t pair = nextPair++; pair < pairs.end && !failed; pair = nextPair++) {
                    for (std::size_t member = 0; member < 2; ++member) {
                        const auto answer =
                            client.Call(http::verb::post, "/v1/register",
                                        {{"nickname", "压测" + std::to_string(pair % 1000)}}, nullptr, 201);
                        devices[pair * 2 + member] = {answer.at("device").at("id"), answer.at("device").at("token")};
                    }
                    const auto code = client.Call(http::verb::post, "/v1/pair/create", nlohmann::json::object(),
                                                  &devices[pair * 2], 200);
                    client.Call(http::verb::post, "/v1/pair/claim", {{"code", code.at("code")}}, &devices[pair * 2 + 1],
                                200);
                }
            } catch (const std::exception& error) {
                std::lock_guard lock(failureMutex);
                failed = true;
                failure = error.what();
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    if (failed) {
        throw std::runtime_error("setup failed: " + failure);
    }
}

}  // namespace load
