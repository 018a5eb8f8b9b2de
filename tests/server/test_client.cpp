// The tests' client: Beast's WebSocket client, every operation run with a deadline.
#include "tests/server/test_client.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/streambuf.hpp>

#include <gtest/gtest.h>

#include <stdexcept>

namespace net = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = net::ip::tcp;

TestClient::TestClient(unsigned short port, Options options) : ws_(io_)
{
    auto &stream = beast::get_lowest_layer(ws_);
    stream.socket().open(tcp::v4());
    if (options.receiveBuffer > 0)
    {
        stream.socket().set_option(net::socket_base::receive_buffer_size(options.receiveBuffer));
    }
    stream.connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port));
    ws_.set_option(websocket::stream_base::decorator(
        [options](websocket::request_type &request)
        {
            for (const auto &[name, value] : options.headers)
            {
                request.set(name, value);
            }
        }));
    websocket::response_type response;
    beast::error_code error;
    ws_.handshake(response, "127.0.0.1:" + std::to_string(port), options.target, error);
    if (error)
    {
        throw std::runtime_error("upgrade refused: HTTP " + std::to_string(response.result_int()) +
                                 ": " + error.message());
    }
    if (options.reads)
    {
        readNext();
    }
}

void TestClient::readNext()
{
    reading_ = true;
    ws_.async_read(buffer_,
                   [this](beast::error_code error, std::size_t)
                   {
                       reading_ = false;
                       if (error)
                       {
                           closed_ = true;
                           closeCode_ = ws_.reason().code;
                           return;
                       }
                       inbox_.push_back(beast::buffers_to_string(buffer_.data()));
                       buffer_.clear();
                       readNext();
                   });
}

void TestClient::runUntil(std::chrono::steady_clock::time_point deadline,
                          const std::function<bool()> &done)
{
    while (!done() && std::chrono::steady_clock::now() < deadline)
    {
        if (io_.stopped())
        {
            io_.restart();
        }
        if (io_.run_one_until(deadline) == 0 && io_.stopped() && !done())
        {
            return; // nothing left to wait for
        }
    }
}

void TestClient::send(const std::string &text, bool binary)
{
    if (closed_)
    {
        return;
    }
    ws_.binary(binary);
    bool sent = false;
    ws_.async_write(net::buffer(text), [&](beast::error_code error, std::size_t)
                    { sent = true, closed_ = closed_ || bool(error); });
    runUntil(std::chrono::steady_clock::now() + 5s, [&] { return sent; });
    EXPECT_TRUE(sent) << "a message could not be sent within 5 s";
}

std::optional<nlohmann::json> TestClient::receive(std::chrono::milliseconds timeout)
{
    runUntil(std::chrono::steady_clock::now() + timeout,
             [&] { return !inbox_.empty() || closed_; });
    if (inbox_.empty())
    {
        return std::nullopt;
    }
    std::string text = std::move(inbox_.front());
    inbox_.pop_front();
    return nlohmann::json::parse(text);
}

nlohmann::json TestClient::expect(const std::string &type, std::chrono::milliseconds timeout)
{
    const auto message = receive(timeout);
    if (!message || message->value("type", "") != type)
    {
        const std::string got = message ? message->dump() : closed_ ? "a close" : "nothing";
        ADD_FAILURE() << "expected a \"" << type << "\" message, got " << got;
        return nlohmann::json::object();
    }
    return *message;
}

bool TestClient::closed(std::chrono::milliseconds timeout)
{
    if (!reading_ && !closed_)
    {
        readNext();
    }
    runUntil(std::chrono::steady_clock::now() + timeout, [&] { return closed_; });
    inbox_.clear();
    return closed_;
}

std::string rawHttp(unsigned short port, const std::string &request,
                    std::chrono::milliseconds timeout, bool headersOnly)
{
    net::io_context io;
    tcp::socket socket(io);
    beast::error_code refused; // then the writing and reading fail at once, and nothing comes
    socket.connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port), refused);
    // A streambuf commits what each read brings: what came before the timeout is kept.
    net::streambuf answer;
    const auto ignore = [](beast::error_code, std::size_t) {};
    net::async_write(socket, net::buffer(request), ignore);
    if (headersOnly)
    {
        net::async_read_until(socket, answer, "\r\n\r\n", ignore);
    }
    else
    {
        net::async_read(socket, answer, ignore);
    }
    io.run_for(timeout);
    return beast::buffers_to_string(answer.data());
}
