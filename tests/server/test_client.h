// The tests' own WebSocket client of the server: a read always pending, messages kept in an
// inbox until asked for, a deadline on every wait. Also a raw HTTP exchange.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <nlohmann/json.hpp>

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace std::chrono_literals;

class TestClient
{
public:
    struct Options
    {
        std::string target = "/ws";
        int receiveBuffer = 0; // SO_RCVBUF when not 0
        bool reads = true;     // false: nothing is read until closed() is asked
        // More headers on the upgrade request.
        std::vector<std::pair<std::string, std::string>> headers = {};
    };

    // Connects and upgrades; throws std::runtime_error with the HTTP status when refused.
    explicit TestClient(unsigned short port, Options options);
    explicit TestClient(unsigned short port) : TestClient(port, Options{}) {}
    TestClient(const TestClient &) = delete;
    TestClient &operator=(const TestClient &) = delete;

    void send(const std::string &text, bool binary = false);

    // The next message, or nothing when none comes within the timeout or the connection closes.
    std::optional<nlohmann::json> receive(std::chrono::milliseconds timeout = 3s);
    // The next message, which must be of `type`; an empty object when it is not (the test fails).
    nlohmann::json expect(const std::string &type, std::chrono::milliseconds timeout = 3s);
    // The server closes the connection within the timeout; messages before the close are dropped.
    bool closed(std::chrono::milliseconds timeout = 3s);
    // The close code the server sent, 0 when none.
    int closeCode() const { return closeCode_; }

private:
    boost::asio::io_context io_;
    boost::beast::websocket::stream<boost::beast::tcp_stream> ws_;
    boost::beast::flat_buffer buffer_;
    std::deque<std::string> inbox_;
    bool reading_ = false;
    bool closed_ = false;
    int closeCode_ = 0;

    void readNext();
    void runUntil(std::chrono::steady_clock::time_point deadline,
                  const std::function<bool()> &done);
};

// Sends `request` as it stands on a new TCP connection; returns all the server answers before
// it closes or the timeout (with `headersOnly`, once the headers have come).
std::string rawHttp(unsigned short port, const std::string &request,
                    std::chrono::milliseconds timeout = 3s, bool headersOnly = false);
