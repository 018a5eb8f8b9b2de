// The server on the network: one port for the page's files (HTTP) and the games (WebSocket at
// /ws), on one Asio event loop. Every connection is a Peer of the hub; the limits that protect
// the server from a connection (message size, rate, send queue, idle time) are kept here.
#pragma once

#include "server/hub.h"

#include <boost/asio/io_context.hpp>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

struct ServerOptions
{
    std::string name = "local"; // the server's name, the first part of its games' ids
    std::string bind = "127.0.0.1";
    // The page's address as other machines reach it (http://HOST:PORT/ or https://HOST/PATH/),
    // for the links to games; empty: the page's own address.
    std::string publicUrl;
    unsigned short port = 8080; // 0: any free port (port() says which)
    std::string database;       // the SQLite file, or a PostgreSQL URI
    // Redis, HOST:PORT or a socket's path, through which servers sharing a PostgreSQL database
    // carry each other's games; empty: this server alone.
    std::string redis;
    std::string web;                         // the page's folder; empty: no page
    std::vector<std::string> allowedOrigins; // beyond the page's own, e.g. https://example.org
    bool behindProxy = false;                // the client's address is the proxy's X-Real-IP header
    bool durable = false;                    // Store's `durable`
    HubLimits limits;

    // Each connection may send `messageBurst` messages at once and `messagesPerSecond` after.
    double messagesPerSecond = 10;
    double messageBurst = 20;
    // A client that does not read what it is sent is dropped when this much waits for it.
    std::size_t sendQueueMessages = 64;
    std::size_t sendQueueBytes = 64 * 1024;
    // A connection that sends nothing, not even an answer to a ping, for this long is closed; the
    // server pings it halfway.
    std::chrono::seconds idleTimeout{20};
    std::chrono::seconds sweepInterval{3600};
    // How often the clocks are looked at for a side out of time: a flag falls this late at most.
    std::chrono::milliseconds tickInterval{100};
};

class Server
{
public:
    // Listens at once; throws on a port it cannot bind, or a database it cannot open (StoreError).
    Server(boost::asio::io_context &io, const ServerOptions &options, Clock clock, LogLine log);
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    // The port it listens on.
    unsigned short port() const;

    // Expires old games now (it also does every sweepInterval). Call on the loop's thread.
    void sweep();

    // Ends the games whose clock has run out now (it also does every tickInterval). Call on the
    // loop's thread.
    void tick();

    // Stops accepting and closes every connection; the loop then runs out. Call on its thread.
    void stop();

    struct Impl; // the network side's own, shared with its connections

private:
    std::shared_ptr<Impl> impl_;
};
