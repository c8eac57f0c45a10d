#include "service_clients.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace mossquill::service::testing {
namespace {

namespace net = boost::asio;
namespace ssl = net::ssl;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = net::ip::tcp;

constexpr const char* kHostName = "localhost";

ssl::context MakeClientTls() {
    ssl::context context(ssl::context::tls_client);
    context.load_verify_file(std::string(MOSSQUILL_TEST_CA_DIR) + "/ca.pem");
    context.set_verify_mode(ssl::verify_peer);
    return context;
}

// Connects and completes the TLS handshake, checking the certificate's name.
void OpenTls(beast::ssl_stream<beast::tcp_stream>& stream, const ServiceAddress& service,
             const std::string& source = {}) {
    if (!source.empty()) {
        auto& socket = beast::get_lowest_layer(stream).socket();
        socket.open(tcp::v4());
        socket.bind(tcp::endpoint(net::ip::make_address_v4(source), 0));
    }
    if (!SSL_set_tlsext_host_name(stream.native_handle(), kHostName)) {
        throw std::runtime_error("cannot set SNI");
    }
    stream.set_verify_callback(ssl::host_name_verification(kHostName));
    beast::get_lowest_layer(stream).connect(tcp::endpoint(net::ip::make_address(service.host), service.port));
    stream.handshake(ssl::stream_base::client);
}

template <class Message>
void SetServiceHeaders(Message& message, const RequestHeaders& headers) {
    if (!headers.appKey.empty()) {
        message.set("X-Mossquill-App-Key", headers.appKey);
    }
    if (!headers.deviceId.empty()) {
        message.set("X-Mossquill-Device", headers.deviceId);
    }
    if (!headers.token.empty()) {
        message.set(http::field::authorization, "Bearer " + headers.token);
    }
    for (const auto& [name, value] : headers.extra) {
        message.set(name, value);
    }
}

}  // namespace

nlohmann::json HttpReply::Json() const { return nlohmann::json::parse(body); }

std::string HttpReply::Message() const {
    const auto document = nlohmann::json::parse(body, nullptr, false);
    return document.is_object() && document.contains("message") && document["message"].is_string()
               ? document["message"].get<std::string>()
               : std::string();
}

HttpReply HttpsRequest(const ServiceAddress& service, std::string_view method, std::string_view target,
                       std::string_view body, const RequestHeaders& headers) {
    net::io_context io;
    ssl::context tls = MakeClientTls();
    beast::ssl_stream<beast::tcp_stream> stream(io, tls);
    OpenTls(stream, service, headers.source);

    http::request<http::string_body> request;
    request.method_string(beast::string_view(method.data(), method.size()));
    request.target(beast::string_view(target.data(), target.size()));
    request.version(11);
    request.set(http::field::host, kHostName);
    SetServiceHeaders(request, headers);
    if (!headers.contentType.empty()) {
        request.set(http::field::content_type, headers.contentType);
    }
    request.body() = std::string(body);
    request.prepare_payload();
    request.keep_alive(false);
    http::write(stream, request);

    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    http::read(stream, buffer, response);
    beast::error_code ignored;
    stream.shutdown(ignored);
    return {response.result_int(), response.body()};
}

HttpReply UpgradeRequest(const ServiceAddress& service, RequestHeaders headers) {
    headers.contentType.clear();
    headers.extra = {{"Connection", "Upgrade"},
                     {"Upgrade", "websocket"},
                     {"Sec-WebSocket-Version", "13"},
                     {"Sec-WebSocket-Key", "dGhlIHNhbXBsZSBub25jZQ=="}};
    return HttpsRequest(service, "GET", "/v1/ws", "", headers);
}

std::string RawHttpsExchange(const ServiceAddress& service, std::string_view bytes) {
    net::io_context io;
    ssl::context tls = MakeClientTls();
    beast::ssl_stream<beast::tcp_stream> stream(io, tls);
    OpenTls(stream, service);
    net::write(stream, net::buffer(bytes.data(), bytes.size()));
    std::string received;
    char chunk[4096];
    beast::error_code error;
    for (;;) {
        const std::size_t count = stream.read_some(net::buffer(chunk), error);
        received.append(chunk, count);
        if (error) {
            break;
        }
    }
    return received;
}

RequestHeaders Device::Auth() const {
    RequestHeaders headers;
    headers.deviceId = id;
    headers.token = token;
    return headers;
}

Device Register(const ServiceAddress& service, std::string_view nickname) {
    const HttpReply reply =
        HttpsRequest(service, "POST", "/v1/register", nlohmann::json{{"nickname", nickname}}.dump());
    if (reply.status != 201) {
        throw std::runtime_error("registration failed: " + std::to_string(reply.status) + " " + reply.body);
    }
    const auto device = reply.Json().at("device");
    return {device.at("id").get<std::string>(), device.at("nickname").get<std::string>(),
            device.at("token").get<std::string>()};
}

std::string CreatePairCode(const ServiceAddress& service, const Device& device) {
    const HttpReply reply = HttpsRequest(service, "POST", "/v1/pair/create", "{}", device.Auth());
    if (reply.status != 200) {
        throw std::runtime_error("no pairing code: " + std::to_string(reply.status) + " " + reply.body);
    }
    return reply.Json().at("code").get<std::string>();
}

std::vector<std::string> FriendIds(const ServiceAddress& service, const Device& device) {
    const HttpReply reply = HttpsRequest(service, "GET", "/v1/friends", "", device.Auth());
    if (reply.status != 200) {
        throw std::runtime_error("no friend list: " + std::to_string(reply.status) + " " + reply.body);
    }
    // Kept in a variable: a range-for over a member of a temporary would dangle.
    const nlohmann::json document = reply.Json();
    std::vector<std::string> ids;
    for (const auto& entry : document.at("friends")) {
        ids.push_back(entry.at("id").get<std::string>());
    }
    return ids;
}

class LiveClient::Impl {
public:
    Impl() : tls_(MakeClientTls()), socket_(io_, tls_) {}

    ~Impl() {
        net::post(io_, [this] {
            beast::error_code ignored;
            beast::get_lowest_layer(socket_).socket().close(ignored);
        });
        if (reader_.joinable()) {
            reader_.join();
        }
    }

    bool Open(const ServiceAddress& service, const RequestHeaders& headers) {
        OpenTls(socket_.next_layer(), service, headers.source);
        socket_.set_option(websocket::stream_base::decorator(
            [headers](websocket::request_type& request) { SetServiceHeaders(request, headers); }));
        websocket::response_type response;
        beast::error_code error;
        socket_.handshake(response, kHostName, "/v1/ws", error);
        if (error) {
            return false;
        }
        socket_.control_callback([this](websocket::frame_type kind, beast::string_view) {
            if (kind == websocket::frame_type::pong) {
                std::lock_guard lock(mutex_);
                ++pongs_;
                arrived_.notify_all();
            }
        });
        ReadNext();
        reader_ = std::thread([this] { io_.run(); });
        return true;
    }

    bool Ping(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        const std::size_t before = pongs_;
        lock.unlock();
        net::post(io_, [this] { socket_.async_ping({}, [](beast::error_code) {}); });
        lock.lock();
        return arrived_.wait_for(lock, timeout, [&] { return pongs_ > before; });
    }

    void Write(std::string_view bytes, bool text) {
        std::promise<beast::error_code> done;
        net::post(io_, [&] {
            socket_.text(text);
            socket_.async_write(net::buffer(bytes.data(), bytes.size()),
                                [&](beast::error_code error, std::size_t) { done.set_value(error); });
        });
        if (const auto error = done.get_future().get()) {
            throw std::runtime_error("live send failed: " + error.message());
        }
    }

    std::optional<nlohmann::json> Next(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, timeout, [this] { return !inbox_.empty(); })) {
            return std::nullopt;
        }
        std::string text = std::move(inbox_.front());
        inbox_.pop_front();
        return nlohmann::json::parse(text);
    }

    std::optional<unsigned> WaitClosed(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, timeout, [this] { return closed_; })) {
            return std::nullopt;
        }
        return closeCode_;
    }

    std::size_t Heartbeats() const {
        std::lock_guard lock(mutex_);
        return heartbeats_;
    }

private:
    void ReadNext() {
        socket_.async_read(buffer_, [this](beast::error_code error, std::size_t) {
            std::lock_guard lock(mutex_);
            if (error) {
                closed_ = true;
                closeCode_ = socket_.reason().code;
                arrived_.notify_all();
                return;
            }
            std::string text = beast::buffers_to_string(buffer_.data());
            buffer_.consume(buffer_.size());
            if (text == R"({"type":"heartbeat"})") {
                ++heartbeats_;
            } else {
                inbox_.push_back(std::move(text));
                arrived_.notify_all();
            }
            ReadNext();
        });
    }

    net::io_context io_;
    ssl::context tls_;
    websocket::stream<beast::ssl_stream<beast::tcp_stream>> socket_;
    beast::flat_buffer buffer_;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::string> inbox_;
    std::size_t heartbeats_ = 0;
    std::size_t pongs_ = 0;
    bool closed_ = false;
    unsigned closeCode_ = 0;
};

LiveClient::LiveClient(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

LiveClient::~LiveClient() = default;

std::unique_ptr<LiveClient> LiveClient::Connect(const ServiceAddress& service, const RequestHeaders& headers) {
    auto impl = std::make_unique<Impl>();
    if (!impl->Open(service, headers)) {
        return nullptr;
    }
    return std::unique_ptr<LiveClient>(new LiveClient(std::move(impl)));
}

void LiveClient::Send(std::string_view text) { impl_->Write(text, true); }

void LiveClient::SendBinary(std::string_view bytes) { impl_->Write(bytes, false); }

std::optional<nlohmann::json> LiveClient::Next(std::chrono::milliseconds timeout) { return impl_->Next(timeout); }

std::optional<unsigned> LiveClient::WaitClosed(std::chrono::milliseconds timeout) { return impl_->WaitClosed(timeout); }

std::size_t LiveClient::HeartbeatsSeen() const { return impl_->Heartbeats(); }

bool LiveClient::Ping(std::chrono::milliseconds timeout) { return impl_->Ping(timeout); }

std::unique_ptr<LiveClient> ConnectLive(const ServiceAddress& service, const Device& device,
                                        nlohmann::json* connected) {
    auto client = LiveClient::Connect(service, device.Auth());
    EXPECT_TRUE(client);
    if (!client) {
        throw std::runtime_error("no live session");
    }
    const auto first = client->Next();
    EXPECT_TRUE(first && (*first)["type"] == "connected");
    if (connected != nullptr && first) {
        *connected = *first;
    }
    return client;
}

nlohmann::json ExpectMessage(LiveClient& client, std::string_view type, std::chrono::milliseconds timeout) {
    const auto message = client.Next(timeout);
    EXPECT_TRUE(message) << "no " << type << " message";
    if (!message) {
        return {};
    }
    EXPECT_EQ((*message)["type"], type) << message->dump();
    return *message;
}

}  // namespace mossquill::service::testing
