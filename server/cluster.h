// Several servers as one, through Redis, on one shared store (PostgreSQL): any server takes any
// client, and each game is carried by one server at a time, the one that holds it in Redis
// (gomoku3d:owner:ID). A client whose game another server carries has its messages handed to
// that server and the answers handed back, over the servers' Redis channels, so that the game's
// hub judges every move of it in one place whichever server each player came to. The seeks of
// all servers meet on one of them the same way (the pairing's holder).
//
// A server that stops beating (SIGKILL, a lost network) loses its hold when its key
// gomoku3d:alive:INSTANCE runs out, three seconds on: its games are then taken by the next
// server a player comes to, from the store, where every acknowledged move is. The clients it
// handed on are let go, and reconnect; the games it carried for other servers' clients forget
// them. Every server also lists its live games in Redis, so that /live on any shows them all.
//
// Runs on the server's event loop; a thread of its own only waits for Redis's messages and
// hands each to the loop.
#pragma once

#include "server/hub.h"

#include <boost/asio/io_context.hpp>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class ClusterError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class Cluster
{
public:
    // Connects to Redis at `address`, HOST:PORT or the path of a Unix socket, as a server named
    // `name`; throws ClusterError when it cannot.
    Cluster(boost::asio::io_context &io, Hub &hub, const std::string &address,
            const std::string &name, LogLine log);
    ~Cluster();
    Cluster(const Cluster &) = delete;
    Cluster &operator=(const Cluster &) = delete;

    // A client connection of this server: its number for the calls below.
    std::uint64_t open(Peer &peer);
    // A message from the client, handled here or handed to the server that carries its game.
    void receive(std::uint64_t client, std::string_view text);
    // The client is gone.
    void leave(std::uint64_t client);

    // The beat, the live games' list, and the servers that stopped beating. Called a few times a
    // second.
    void tick();
    // The live games of every server.
    std::vector<LiveGame> liveGames();
    // This run of the server, as the others know it: NAME.RANDOM.
    const std::string &instance() const;
    // Ends the thread; nothing more is handed on.
    void stop();

    // How long a server may stay silent before the others take it for stopped, in milliseconds.
    static constexpr std::int64_t SILENCE_MS = 3000;
    static constexpr std::int64_t BEAT_MS = 1000;

    struct State; // shared with the thread's handlers

private:
    std::shared_ptr<State> state_;
};
