// A WebSocket client that runs on a thread of its own (Boost.Beast over Asio), so that the frame
// loop never waits for the network: the frame loop asks for a connection and for messages to be
// sent, and collects what happened, through a small locked queue it drains between frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class WebSocketClient
{
public:
    struct Event
    {
        enum class Kind : std::uint8_t
        {
            Opened,  // the connection is up: messages may be sent
            Closed,  // the connection closed, or could not be made; text says why
            Message, // a text frame came; text holds it
        };
        Kind kind;
        std::string text;
    };

    // A client of the server at host:port (ws://), or with TLS (wss://) when `secure`. A
    // message longer than `messageMax` bytes closes the connection.
    WebSocketClient(std::string host, int port, bool secure, std::size_t messageMax);
    // Closes the connection and ends the thread.
    ~WebSocketClient();
    WebSocketClient(const WebSocketClient &) = delete;
    WebSocketClient &operator=(const WebSocketClient &) = delete;

    // Whether this build can make a connection of this kind at all (wss needs TLS).
    static bool supports(bool secure);

    // Drops the connection there is, if any (nothing more is heard of it), and connects to
    // `path` after `delayMs` milliseconds.
    void connect(std::string path, int delayMs);
    // Queues one text frame for the open connection; dropped if there is none.
    void send(std::string text);
    // Drops the connection, or the connection about to be made; nothing more is heard of it.
    void disconnect();
    // What happened since the last call, oldest first.
    std::vector<Event> takeEvents();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
